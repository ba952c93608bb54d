#include "platform/double_byte_system.h"

#include <windows.h>

namespace platform {

int systemDbcsEnabled() { return ::GetSystemMetrics(SM_DBCSENABLED); }

const char* systemCharNext(const char* p) { return ::CharNextA(p); }

const char* systemCharPrev(const char* start, const char* current) {
  return ::CharPrevA(start, current);
}

}  // namespace platform
