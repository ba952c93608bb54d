#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// One entry found by a FolderSearch: its name within its folder and its attribute bits
// (platform/file_attributes.h; a link reports its own bits, never its target's).
struct FolderEntry {
  std::string name;
  std::uint32_t attributes = 0;
};

// One running enumeration of a folder (FindFirstFile/FindNextFile semantics). The search text is a
// folder path, a separator and a name pattern in which '*' and '?' are wildcards; "." and ".." are
// reported like every other entry. The enumeration stays open until close, a new start or the end
// of the object.
class FolderSearch {
 public:
  FolderSearch();
  ~FolderSearch();
  FolderSearch(const FolderSearch&) = delete;
  FolderSearch& operator=(const FolderSearch&) = delete;

  // Closes any running enumeration and starts a new one; 1 with the first entry, else 0 (and the
  // search is closed).
  int start(const char* searchText, FolderEntry& entry);
  // The next entry; 0 when there is none or no search is open (the search stays open).
  int next(FolderEntry& entry);
  void close();
  bool isOpen() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
