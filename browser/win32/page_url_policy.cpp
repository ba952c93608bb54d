#include "browser/win32/page_url_policy.h"

#include <urlmon.h>

#include <string>

#include "browser/win32/wide_text.h"

namespace {

int hexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool startsWithIgnoringCase(const wchar_t* text, const wchar_t* prefix) {
  for (; *prefix != L'\0'; ++text, ++prefix) {
    if (*text == L'\0' || (*text | 0x20) != (*prefix | 0x20)) return false;
  }
  return true;
}

bool isDriveAt(const std::wstring& text, std::size_t at) {
  return at + 1 < text.size() && ((text[at] | 0x20) >= L'a' && (text[at] | 0x20) <= L'z') &&
         (text[at + 1] == L':' || text[at + 1] == L'|');
}

// A run of escaped bytes as text in the code page; false when they are no text in it.
bool decodeBytes(const std::string& bytes, UINT codePage, std::wstring& text) {
  const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
  const int size = static_cast<int>(bytes.size());
  const int needed = ::MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  if (needed <= 0) return false;
  const std::size_t at = text.size();
  text.resize(at + static_cast<std::size_t>(needed));
  ::MultiByteToWideChar(codePage, flags, bytes.data(), size, text.data() + at, needed);
  return true;
}

// The full, long form of a path: "." and ".." steps resolved and short names made long, so that
// two spellings of one file compare equal. A path that does not exist keeps its full form.
std::wstring canonical(const std::wstring& path) {
  if (path.empty()) return path;
  const DWORD fullSize = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (fullSize == 0) return std::wstring();
  std::wstring full(fullSize, L'\0');
  const DWORD fullLength = ::GetFullPathNameW(path.c_str(), fullSize, full.data(), nullptr);
  if (fullLength == 0 || fullLength >= fullSize) return std::wstring();
  full.resize(fullLength);
  const DWORD longSize = ::GetLongPathNameW(full.c_str(), nullptr, 0);
  if (longSize == 0) return full;
  std::wstring longForm(longSize, L'\0');
  const DWORD longLength = ::GetLongPathNameW(full.c_str(), longForm.data(), longSize);
  if (longLength == 0 || longLength >= longSize) return full;
  longForm.resize(longLength);
  return longForm;
}

}  // namespace

std::wstring pathOfFileUrl(const wchar_t* url, UINT codePage) {
  if (url == nullptr || !startsWithIgnoringCase(url, L"file:")) return std::wstring();
  std::wstring rest;
  std::string escaped;
  for (const wchar_t* p = url + 5; *p != L'\0' && *p != L'#'; ++p) {
    if (*p == L'?') return std::wstring();
    const int high = *p == L'%' ? hexValue(p[1]) : -1;
    const int low = high >= 0 ? hexValue(p[2]) : -1;
    if (low >= 0) {
      const char byte = static_cast<char>(high * 16 + low);
      if (byte == '\0') return std::wstring();
      escaped += byte;
      p += 2;
      continue;
    }
    if (!escaped.empty()) {
      if (!decodeBytes(escaped, codePage, rest)) return std::wstring();
      escaped.clear();
    }
    rest += *p == L'/' ? L'\\' : *p;
  }
  if (!escaped.empty() && !decodeBytes(escaped, codePage, rest)) return std::wstring();

  // "file:///C:/x", "file://C:/x", "file://localhost/C:/x" and "file://server/share/x".
  if (rest.rfind(L"\\\\", 0) != 0) return isDriveAt(rest, 0) ? rest : std::wstring();
  std::size_t at = 2;
  if (isDriveAt(rest, at)) return rest.substr(at);
  const std::size_t hostEnd = rest.find(L'\\', at);
  if (hostEnd == std::wstring::npos) return std::wstring();
  const std::wstring host = rest.substr(at, hostEnd - at);
  if (host.empty() ||
      ::CompareStringOrdinal(host.c_str(), -1, L"localhost", -1, TRUE) == CSTR_EQUAL) {
    at = hostEnd + 1;
    return isDriveAt(rest, at) ? rest.substr(at) : std::wstring();
  }
  return rest;
}

namespace {

int namesPage(std::wstring path, const std::wstring& page) {
  if (path.empty()) return 0;
  if (path[1] == L'|') path[1] = L':';
  const std::wstring a = canonical(path);
  const std::wstring b = canonical(page);
  if (a.empty() || b.empty()) return 0;
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL
             ? 1
             : 0;
}

}  // namespace

int isWorkspacePageUrl(const wchar_t* url, const char* workspacePath) {
  if (workspacePath == nullptr || *workspacePath == '\0') return 0;
  std::wstring page = wideFromNarrow(workspacePath);
  if (page.empty()) return 0;
  if (page.back() != L'\\' && page.back() != L'/') page += L'\\';
  page += L"cfadmin\\index.html";
  // The program escapes the page's address in the ANSI code page; other writers use UTF-8.
  return namesPage(pathOfFileUrl(url, CP_ACP), page) || namesPage(pathOfFileUrl(url, CP_UTF8), page)
             ? 1
             : 0;
}

int isPageUrlAction(DWORD action) {
  switch (action) {
    case URLACTION_SCRIPT_RUN:
    case URLACTION_SCRIPT_SAFE_ACTIVEX:
    // "Scripting.FileSystemObject" is not marked safe for scripting: creating it and calling it
    // ask for these.
    case URLACTION_ACTIVEX_RUN:
    case URLACTION_ACTIVEX_OVERRIDE_OBJECT_SAFETY:
    case URLACTION_ACTIVEX_OVERRIDE_SCRIPT_SAFETY:
    case URLACTION_SCRIPT_OVERRIDE_SAFETY:
    case URLACTION_ACTIVEX_CONFIRM_NOOBJECTSAFETY:
      return 1;
    default:
      return 0;
  }
}
