#include "platform/folder_search.h"

#include <dirent.h>

#include <cstring>

#include "platform/file_attributes.h"

namespace platform {

namespace {

// The wildcards of Windows name patterns only: '*' for any run of characters, '?' for one.
bool matchesPattern(const char* pattern, const char* name) {
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starName = name;
    } else if (*pattern == '?' || *pattern == *name) {
      ++pattern;
      ++name;
    } else if (starPattern != nullptr) {
      pattern = starPattern;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

struct FolderSearch::State {
  std::unique_ptr<DIR, DirCloser> dir;
  std::string folder;
  std::string pattern;
};

FolderSearch::FolderSearch() = default;
FolderSearch::~FolderSearch() = default;

void FolderSearch::close() { state_.reset(); }

bool FolderSearch::isOpen() const { return state_ != nullptr; }

int FolderSearch::start(const char* searchText, FolderEntry& entry) {
  close();
  if (searchText == nullptr || *searchText == '\0') return 0;
  auto state = std::make_unique<State>();
  const char* slash = std::strrchr(searchText, '/');
  if (slash == nullptr) {
    state->folder = ".";
    state->pattern = searchText;
  } else {
    state->folder.assign(searchText, slash == searchText ? 1 : slash - searchText);
    state->pattern = slash + 1;
  }
  state->dir.reset(::opendir(state->folder.c_str()));
  if (!state->dir) return 0;
  state_ = std::move(state);
  if (next(entry) == 0) {
    close();
    return 0;
  }
  return 1;
}

int FolderSearch::next(FolderEntry& entry) {
  if (!state_) return 0;
  while (const dirent* found = ::readdir(state_->dir.get())) {
    if (!matchesPattern(state_->pattern.c_str(), found->d_name)) continue;
    std::string full = state_->folder;
    if (full.back() != '/') full += '/';
    full += found->d_name;
    entry.name = found->d_name;
    entry.attributes = fileAttributes(full.c_str());
    // An entry that vanished between reading the folder and asking for its attributes still
    // counts as a plain file, as Windows would have reported it.
    if (entry.attributes == kInvalidFileAttributes) entry.attributes = kAttributeNormal;
    return 1;
  }
  return 0;
}

}  // namespace platform
