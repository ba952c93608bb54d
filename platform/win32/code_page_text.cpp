#include <windows.h>

#include <string>
#include <vector>

#include "platform/ansi_text.h"

namespace platform {

int isCodePageKnown(unsigned codePage) { return ::IsValidCodePage(codePage) ? 1 : 0; }

int codePageToUtf16(unsigned codePage, std::string_view bytes, std::u16string& wide) {
  wide.clear();
  if (!isCodePageKnown(codePage)) return 0;
  if (bytes.empty()) return 1;
  const int count = static_cast<int>(bytes.size());
  const int units = ::MultiByteToWideChar(codePage, 0, bytes.data(), count, nullptr, 0);
  if (units <= 0) return 0;
  std::vector<wchar_t> buffer(static_cast<std::size_t>(units));
  if (::MultiByteToWideChar(codePage, 0, bytes.data(), count, buffer.data(), units) != units)
    return 0;
  wide.assign(buffer.begin(), buffer.end());
  return 1;
}

int utf16ToCodePage(unsigned codePage, std::u16string_view wide, std::string& bytes,
                    char substitute, std::size_t* failedAt) {
  bytes.clear();
  if (!isCodePageKnown(codePage)) {
    if (failedAt != nullptr) *failedAt = 0;
    return 0;
  }
  // One character at a time, so that a character the code page cannot hold is found and named;
  // no best-fit look-alikes: a character is written as itself or not at all.
  const bool utf8 = codePage == CP_UTF8;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    std::size_t width = 1;
    if (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      width = 2;
    }
    const auto* unit = reinterpret_cast<const wchar_t*>(wide.data() + i);
    char out[8];
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(
        codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, unit, static_cast<int>(width),
        out, sizeof out, nullptr, utf8 ? nullptr : &usedDefault);
    if (n > 0 && !usedDefault) {
      bytes.append(out, static_cast<std::size_t>(n));
    } else if (substitute != 0) {
      bytes.push_back(substitute);
    } else {
      if (failedAt != nullptr) *failedAt = i;
      bytes.clear();
      return 0;
    }
    i += width - 1;
  }
  return 1;
}

unsigned configurationCodePage(unsigned) { return ::GetACP(); }

unsigned editorTextCodePage() { return ::GetACP(); }

}  // namespace platform
