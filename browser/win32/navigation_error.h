#pragma once

#include <string>

// The system's words for the status a failed navigation reports: a Windows error, or one of the
// control's own download errors; "error 0x…" when neither knows it.
std::string navigationErrorText(long status);
