#include "browser/win32/workspace_url.h"

#include <windows.h>

#include <string>

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The path part of a file URL as a Windows path, or an empty text when it cannot be one of ours.
std::string pathOfFileUrl(const char* url) {
  static constexpr char kScheme[] = "file:";
  for (int i = 0; i < 5; ++i) {
    const char c = url[i];
    if (c == '\0' || (c | 0x20) != (kScheme[i] | 0x20)) return std::string();
  }
  std::string path;
  for (const char* p = url + 5; *p != '\0' && *p != '?' && *p != '#'; ++p) {
    char c = *p;
    if (c == '%') {
      const int high = hexValue(p[1]);
      const int low = high < 0 ? -1 : hexValue(p[2]);
      if (low >= 0) {
        const int value = high * 16 + low;
        if (value == 0) return std::string();
        // Every byte is escaped as it stands in the ANSI code page, the page URL's own encoding.
        c = static_cast<char>(value);
        p += 2;
      }
    }
    path += c == '/' ? '\\' : c;
  }
  return path;
}

std::string withoutOuterSeparators(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  std::size_t first = 0;
  while (first < path.size() && path[first] == '\\') ++first;
  std::size_t last = path.size();
  while (last > first && path[last - 1] == '\\') --last;
  return path.substr(first, last - first);
}

bool hasParentStep(const std::string& path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    // Windows ignores trailing dots, so "..." climbs as ".." does.
    const std::string step = path.substr(start, end - start);
    if (step.size() >= 2 && step.find_first_not_of('.') == std::string::npos) return true;
    start = end + 1;
  }
  return false;
}

std::wstring wideFromAnsi(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return wide;
}

// The path with every short (8.3) name written long, where it exists; else as given.
std::wstring longForm(const std::wstring& path) {
  if (path.empty()) return path;
  const DWORD needed = ::GetLongPathNameW(path.c_str(), nullptr, 0);
  if (needed == 0) return path;
  std::wstring result(needed, L'\0');
  const DWORD length = ::GetLongPathNameW(path.c_str(), result.data(), needed);
  if (length == 0 || length >= needed) return path;
  result.resize(length);
  return result;
}

}  // namespace

int isInsideWorkspaceUrl(const char* url, const char* workspacePath) {
  if (url == nullptr || workspacePath == nullptr) return 0;
  const std::wstring folder = longForm(wideFromAnsi(withoutOuterSeparators(workspacePath)));
  if (folder.empty()) return 0;
  const std::string narrowPath = withoutOuterSeparators(pathOfFileUrl(url));
  if (hasParentStep(narrowPath)) return 0;
  const std::wstring path = longForm(wideFromAnsi(narrowPath));
  if (path.size() < folder.size()) return 0;
  // File names match without regard to case, by the file system's rule, never a locale's.
  const int n = static_cast<int>(folder.size());
  if (::CompareStringOrdinal(path.data(), n, folder.data(), n, TRUE) != CSTR_EQUAL) return 0;
  return path.size() == folder.size() || path[folder.size()] == L'\\' ? 1 : 0;
}
