#include "tests/unit/workspace/test_platform.h"

#include <windows.h>

#include <string>

namespace test_platform {

void setEnvironment(const char* name, const char* value) { ::SetEnvironmentVariableA(name, value); }

bool makeFolderLink(const std::string& link, const std::string& target) {
  return ::CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
}

bool makeFileLink(const std::string& link, const std::string& target) {
  return ::CreateSymbolicLinkA(link.c_str(), target.c_str(), 0) != 0;
}

struct RefusedEntry::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

RefusedEntry::RefusedEntry(const std::string& path) : state_(std::make_unique<State>()) {
  state_->handle = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
}

RefusedEntry::~RefusedEntry() {
  if (state_->handle != INVALID_HANDLE_VALUE) ::CloseHandle(state_->handle);
}

void runAsOrdinaryUser(const std::function<void()>& body) { body(); }

std::string makeScratchFolder() {
  char base[MAX_PATH + 1] = {};
  if (::GetTempPathA(MAX_PATH, base) == 0) return std::string();
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const std::string candidate = std::string(base) + "kx-workspace-test-" +
                                  std::to_string(::GetCurrentProcessId()) + "-" +
                                  std::to_string(::GetTickCount() + attempt);
    if (::CreateDirectoryA(candidate.c_str(), nullptr)) return candidate;
  }
  return std::string();
}

}  // namespace test_platform
