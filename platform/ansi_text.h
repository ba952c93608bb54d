#pragma once

#include <string>

namespace platform {

// Conversion between the system's narrow text (the ANSI code page on Windows, UTF-8 on POSIX) and
// UTF-16, for texts that cross into resources. Each returns 1 on success; 0 for text that is not
// valid in the narrow encoding (the output is then left empty).
int ansiToUtf16(const char* text, std::u16string& wide);
int utf16ToAnsi(const std::u16string& wide, std::string& text);

// 1 when the narrow text is UTF-8 (always on POSIX; on Windows when the ANSI code page is 65001).
int narrowTextIsUtf8();

}  // namespace platform
