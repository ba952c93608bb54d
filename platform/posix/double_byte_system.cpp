#include "platform/double_byte_system.h"

namespace platform {

int systemDbcsEnabled() { return 0; }

const char* systemCharNext(const char* p) { return *p == '\0' ? p : p + 1; }

const char* systemCharPrev(const char* start, const char* current) {
  return current > start ? current - 1 : start;
}

}  // namespace platform
