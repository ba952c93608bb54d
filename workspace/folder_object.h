#pragma once

#include <cstdint>

#include "base/shared_string.h"
#include "platform/folder_search.h"
#include "platform/process_environment.h"

// A folder on disk: its path plus one running enumeration of its entries. The Workspace is the one
// long-lived instance; deletions and unpacking make short-lived local ones. The operations are
// virtual in a fixed order so that every caller, inside the class too, goes through the table.
class FolderObject final {
 public:
  // Kinds reported by firstEntry and nextEntry.
  static constexpr int kEntryFile = 0;
  static constexpr int kEntryFolder = 1;
  static constexpr int kNoMoreEntries = 2;

  // Results of replaceFile, with the values of the platform's result codes.
  static constexpr std::int32_t kReplaced = 0;                                            // S_OK
  static constexpr std::int32_t kReplaceFailed = static_cast<std::int32_t>(0x80004005u);  // E_FAIL

  FolderObject() = default;
  FolderObject(const FolderObject&) = delete;
  FolderObject& operator=(const FolderObject&) = delete;
  // Deliberately not virtual: instances are never deleted through a pointer to a base.
  ~FolderObject() = default;

  const SharedString& path() const { return path_; }

  // Creates the folder only when its name is free, private to the user, and 1 only when this call
  // made it: in a shared temporary folder, a name someone else took a moment ago is never adopted.
  int createNewFolder();

  // Slot 0: takes the text; a bare drive becomes its root, and one trailing separator is dropped
  // from anything longer than a root.
  virtual void setPath(const char* text);
  // Slot 1: path := temporary base plus `name` (the base alone for a null or empty name). Nothing
  // is created. 1 when a base was found; else the path is emptied and the result is 0.
  virtual int setTempPath(platform::ModuleHandle module, const char* name);
  // Slot 2: creates the last component of the path; the result is that of exists.
  virtual int createFolder();
  // Slot 3: 1 when the path names an existing folder.
  virtual int exists();
  // Slot 4: deletes the folder (with everything in it when withContents is non-zero). 1 when the
  // folder is gone or was never there. Links inside are removed, never followed.
  virtual int removeTree(int withContents);
  // Slot 5: deletes a file of this folder, or the file an absolute name gives, read-only or not.
  // 0 only when access was refused.
  virtual int deleteFile(const char* name);
  // Slot 6: path := the process's current folder; 1 when it was obtained.
  virtual int setFromCurrentDirectory();
  // Slot 7: makes the path the process's current folder.
  virtual int makeCurrent();
  // Slot 8: 1 when the path lies on a removable or CD-ROM drive.
  virtual int isRemovableMedia();
  // Slot 9: 1 when the folder exists and its volume has free space.
  virtual int hasFreeSpace();
  // Slot 10: starts an enumeration of the entries that match `pattern` ("*" for all) and writes
  // the first entry's full path into buffer. "." and ".." are never reported.
  virtual int firstEntry(const char* pattern, char* buffer, std::uint16_t size);
  // Slot 11: the next entry of the running enumeration.
  virtual int nextEntry(char* buffer, std::uint16_t size);
  // Slot 12: deletes target and renames source onto its name.
  virtual std::int32_t replaceFile(const char* source, const char* target);
  // Slot 13: ends the enumeration and removes the folder if it is empty; 1 on success.
  virtual int removeFolder();

 private:
  // Writes the entry's full path into buffer when it fits; its kind either way.
  int reportEntry(const platform::FolderEntry& entry, char* buffer, std::uint16_t size, bool& fits);
  static int isProperEntry(const char* buffer);

  SharedString path_;
  platform::FolderSearch search_;
};

// 1 when the text ends in the platform's separator as a character of its own (a double-byte
// character's trail byte never counts).
int endsInSeparator(const char* text);
