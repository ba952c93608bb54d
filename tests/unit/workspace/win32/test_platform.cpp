#include "tests/unit/workspace/test_platform.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

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

struct RivalCreator::State {
  std::atomic<bool> stop{false};
  // Held while the rival makes a folder with its marker, and while it removes them.
  std::mutex busy;
  std::thread thread;
};

namespace {

constexpr char kMarker[] = "\\rival";

}  // namespace

RivalCreator::RivalCreator(const std::string& folder, const std::vector<std::string>& names)
    : state_(std::make_unique<State>()) {
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(folder + "\\" + name);
  state_->thread = std::thread([paths, state = state_.get()] {
    while (!state->stop) {
      for (const std::string& path : paths) {
        const std::lock_guard<std::mutex> hold(state->busy);
        if (!::CreateDirectoryA(path.c_str(), nullptr)) continue;
        const HANDLE marker = ::CreateFileA((path + kMarker).c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (marker != INVALID_HANDLE_VALUE) ::CloseHandle(marker);
      }
      for (const std::string& path : paths) {
        const std::lock_guard<std::mutex> hold(state->busy);
        if (::DeleteFileA((path + kMarker).c_str())) ::RemoveDirectoryA(path.c_str());
      }
    }
  });
}

RivalCreator::~RivalCreator() {
  state_->stop = true;
  state_->thread.join();
}

bool RivalCreator::isOurPrivateFolder(const std::string& path) const {
  const std::lock_guard<std::mutex> hold(state_->busy);
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
         ::GetFileAttributesA((path + kMarker).c_str()) == INVALID_FILE_ATTRIBUTES;
}

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
