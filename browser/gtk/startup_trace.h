#pragma once

// Start-up timing for measurements: when KX_TRACE_TIMING is set, each call prints
// "kx-timing <milliseconds since the process started> <event>" on stderr; otherwise nothing.
void traceStartupEvent(const char* event);
