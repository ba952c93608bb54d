#include "platform/folder_search.h"

#include <windows.h>

namespace platform {

struct FolderSearch::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~State() {
    if (handle != INVALID_HANDLE_VALUE) ::FindClose(handle);
  }
};

FolderSearch::FolderSearch() = default;
FolderSearch::~FolderSearch() = default;

void FolderSearch::close() { state_.reset(); }

bool FolderSearch::isOpen() const { return state_ != nullptr; }

int FolderSearch::start(const char* searchText, FolderEntry& entry) {
  close();
  if (searchText == nullptr) return 0;
  WIN32_FIND_DATAA data{};
  HANDLE handle = ::FindFirstFileA(searchText, &data);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  state_ = std::make_unique<State>();
  state_->handle = handle;
  entry.name = data.cFileName;
  entry.attributes = data.dwFileAttributes;
  return 1;
}

int FolderSearch::next(FolderEntry& entry) {
  if (!state_) return 0;
  WIN32_FIND_DATAA data{};
  if (!::FindNextFileA(state_->handle, &data)) return 0;
  entry.name = data.cFileName;
  entry.attributes = data.dwFileAttributes;
  return 1;
}

}  // namespace platform
