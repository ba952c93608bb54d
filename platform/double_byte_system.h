#pragma once

namespace platform {

// Whether the system's ANSI code page has double-byte characters (SM_DBCSENABLED). The POSIX
// backend answers 0: its narrow encoding is UTF-8, which has no lead bytes.
int systemDbcsEnabled();

// The system's own character stepping (CharNextA / CharPrevA semantics): at the terminator
// systemCharNext returns p itself, and at the start systemCharPrev returns start itself.
const char* systemCharNext(const char* p);
const char* systemCharPrev(const char* start, const char* current);

}  // namespace platform
