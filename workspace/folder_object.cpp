#include "workspace/folder_object.h"

#include <cstring>
#include <string>
#include <vector>

#include "base/double_byte.h"
#include "platform/file_attributes.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "platform/path_roots.h"
#include "platform/path_rules.h"

namespace {

// The path and the text after it, with one separator between them unless the path has one.
SharedString joined(const SharedString& path, const char* text) {
  SharedString result(path);
  if (!endsInSeparator(result.text())) result.append(platform::pathSeparator());
  result.append(text);
  return result;
}

}  // namespace

int endsInSeparator(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  const char* end = text + std::strlen(text);
  const char* last = prevChar(text, end);
  return last == end - 1 && *last == platform::pathSeparator() ? 1 : 0;
}

void FolderObject::setPath(const char* text) {
  path_ = text != nullptr ? text : "";
  if (platform::isBareDrive(path_.text())) path_.append(platform::pathSeparator());
  if (path_.length() > platform::bareRootLength() && endsInSeparator(path_.text())) {
    path_ = path_.leftPart(path_.length() - 1);
  }
}

int FolderObject::setTempPath(platform::ModuleHandle module, const char* name) {
  // A candidate counts when it is an existing folder with free space in which the user may also
  // create entries (the last test only ever fails on POSIX).
  auto tryCandidate = [this](const std::string& candidate) {
    path_ = candidate.c_str();
    if (hasFreeSpace() == 1 && platform::canCreateEntries(path_.text()) == 1) return true;
    path_.clear();
    return false;
  };

  bool found = false;
  std::string value;
  for (const char* variable : platform::temporaryBaseVariables()) {
    if (platform::environmentVariable(variable, value) == 1) {
      found = tryCandidate(value);
      break;
    }
  }
  if (!found && module != nullptr && platform::modulePath(module, value) == 1) {
    const SharedString modulePath(value.c_str());
    const int separator = modulePath.findLastChar(platform::pathSeparator());
    found = separator > 0 && tryCandidate(modulePath.leftPart(separator).text());
  }
  if (!found && platform::systemFolder(value) == 1) found = tryCandidate(value);
  if (!found) {
    path_.clear();
    return 0;
  }
  if (name != nullptr && *name != '\0') path_ = joined(path_, name);
  return 1;
}

int FolderObject::createFolder() {
  platform::createFolder(path_.text());
  return exists();
}

int FolderObject::exists() {
  if (path_.empty() || path_.text()[0] == '.') return 0;
  if (platform::isRootPath(path_.text())) {
    switch (platform::driveKind(path_.text())) {
      case platform::kDriveRemovable:
      case platform::kDriveFixed:
      case platform::kDriveRemote:
      case platform::kDriveRamDisk:
        return 1;
      default:
        return 0;
    }
  }
  // A search of its own, so that a running enumeration of this folder is left alone.
  platform::FolderSearch probe;
  platform::FolderEntry entry;
  if (probe.start(path_.text(), entry) == 0) return 0;
  return (entry.attributes & platform::kAttributeDirectory) != 0 ? 1 : 0;
}

int FolderObject::createNewFolder() { return platform::createPrivateFolder(path_.text()); }

int FolderObject::removeTree(int withContents) {
  if (exists() == 0) return 1;
  if (withContents == 0) return removeFolder();
  // The platform walks the tree by open folders rather than by path texts, so that nothing
  // swapped in meanwhile can lead the deletion out of the folder.
  search_.close();
  return platform::removeFolderTree(path_.text());
}

int FolderObject::deleteFile(const char* name) {
  if (name == nullptr) return 0;
  const SharedString target =
      platform::isAbsoluteName(name) ? SharedString(name) : joined(path_, name);
  return platform::deleteFile(target.text()) == platform::DeleteOutcome::Refused ? 0 : 1;
}

int FolderObject::setFromCurrentDirectory() {
  std::string current;
  if (platform::currentDirectory(current) == 0) return 0;
  path_ = current.c_str();
  return 1;
}

int FolderObject::makeCurrent() { return platform::setCurrentDirectory(path_.text()); }

int FolderObject::isRemovableMedia() {
  if (!platform::isAbsoluteName(path_.text())) return 0;
  const int kind = platform::driveKind(path_.text());
  return kind == platform::kDriveRemovable || kind == platform::kDriveCdRom ? 1 : 0;
}

int FolderObject::hasFreeSpace() {
  if (exists() == 0) return 0;
  const std::string root = platform::rootOf(path_.text());
  if (root.empty()) return 0;
  return platform::volumeHasFreeSpace(root.c_str(), path_.text());
}

int FolderObject::firstEntry(const char* pattern, char* buffer, std::uint16_t size) {
  const SharedString searchText = joined(path_, pattern);
  search_.close();
  platform::FolderEntry entry;
  if (search_.start(searchText.text(), entry) == 0) return kNoMoreEntries;
  bool fits = false;
  const int kind = reportEntry(entry, buffer, size, fits);
  if (fits && isProperEntry(buffer) == 1) return kind;
  return nextEntry(buffer, size);
}

int FolderObject::nextEntry(char* buffer, std::uint16_t size) {
  platform::FolderEntry entry;
  // An entry whose path does not fit is passed over like "." and "..": the buffer would still
  // hold the previous entry, and a caller must never act on that twice.
  for (;;) {
    if (search_.next(entry) == 0) return kNoMoreEntries;
    bool fits = false;
    const int kind = reportEntry(entry, buffer, size, fits);
    if (fits && isProperEntry(buffer) == 1) return kind;
  }
}

std::int32_t FolderObject::replaceFile(const char* source, const char* target) {
  platform::deleteFile(target);
  return platform::renameReplacing(source, target) == 1 ? kReplaced : kReplaceFailed;
}

int FolderObject::removeFolder() {
  search_.close();
  return platform::removeFolder(path_.text());
}

int FolderObject::reportEntry(const platform::FolderEntry& entry, char* buffer, std::uint16_t size,
                              bool& fits) {
  const std::size_t needed = static_cast<std::size_t>(path_.length()) + entry.name.size() + 1;
  fits = needed < size;
  if (fits) {
    const SharedString full = joined(path_, entry.name.c_str());
    std::memcpy(buffer, full.text(), static_cast<std::size_t>(full.length()) + 1);
  }
  return (entry.attributes & platform::kAttributeDirectory) != 0 ? kEntryFolder : kEntryFile;
}

int FolderObject::isProperEntry(const char* buffer) {
  const char* separator = findLastCharIn(buffer, platform::pathSeparator());
  if (separator == nullptr) return 0;
  const char* name = separator + 1;
  return std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 ? 1 : 0;
}
