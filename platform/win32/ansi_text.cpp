#include "platform/ansi_text.h"

#include <windows.h>

#include <vector>

namespace platform {

int ansiToUtf16(const char* text, std::u16string& wide) {
  wide.clear();
  // First call for the count (terminator included), second into a buffer of that many units.
  int units = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (units <= 0) return 0;
  std::vector<wchar_t> buffer(static_cast<std::size_t>(units));
  if (::MultiByteToWideChar(CP_ACP, 0, text, -1, buffer.data(), units) != units) return 0;
  wide.assign(buffer.begin(), buffer.end() - 1);
  return 1;
}

int utf16ToAnsi(const std::u16string& wide, std::string& text) {
  text.clear();
  if (wide.empty()) return 1;
  std::wstring source(wide.begin(), wide.end());
  int count = static_cast<int>(source.size());
  int bytes = ::WideCharToMultiByte(CP_ACP, 0, source.data(), count, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return 0;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  if (::WideCharToMultiByte(CP_ACP, 0, source.data(), count, out.data(), bytes, nullptr, nullptr) !=
      bytes)
    return 0;
  text = std::move(out);
  return 1;
}

int narrowTextIsUtf8() { return ::GetACP() == CP_UTF8 ? 1 : 0; }

}  // namespace platform
