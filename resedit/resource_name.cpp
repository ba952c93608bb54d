#include "resedit/resource_name.h"

#include "platform/ansi_text.h"

int resourceIdFromText(const char* text, pe::ResourceId& id) {
  if (text == nullptr) return 0;
  if (text[0] == '#' && text[1] != '\0') {
    unsigned long value = 0;
    const char* p = text + 1;
    for (; *p >= '0' && *p <= '9' && value <= 0xFFFF; ++p)
      value = value * 10 + static_cast<unsigned long>(*p - '0');
    if (*p == '\0' && value <= 0xFFFF) {
      id = pe::ResourceId::integer(static_cast<std::uint16_t>(value));
      return 1;
    }
  }
  std::u16string wide;
  if (!platform::ansiToUtf16(text, wide)) return 0;
  id = pe::ResourceId::text(std::move(wide));
  return 1;
}
