#include "workspace/archive_unpacker.h"

#include <unzip.h>

#include <cstring>
#include <memory>

#include "base/shared_string.h"
#include "platform/file_system.h"
#include "platform/output_file.h"
#include "platform/path_rules.h"
#include "workspace/folder_object.h"

namespace {

constexpr int kNameLimit = 512;
constexpr unsigned kCopyBufferSize = 8192;

struct ArchiveCloser {
  void operator()(void* archive) const { unzClose(static_cast<unzFile>(archive)); }
};
using Archive = std::unique_ptr<void, ArchiveCloser>;

// The archive is our own, but the unpacker must still never write outside its destination:
// absolute names, drive names and ".." components are refused. Both separators count, since
// either may reach a Windows path.
bool isSafeEntryName(const char* name) {
  if (name[0] == '\0' || platform::isPathSeparator(name[0]) || std::strchr(name, ':') != nullptr) {
    return false;
  }
  const char* component = name;
  for (const char* p = name;; ++p) {
    if (*p == '\0' || platform::isPathSeparator(*p)) {
      if (p - component == 2 && component[0] == '.' && component[1] == '.') return false;
      if (*p == '\0') return true;
      component = p + 1;
    }
  }
}

void unpackFolderEntry(const SharedString& target) {
  FolderObject folder;
  folder.setPath(target.text());
  if (folder.exists() == 0) folder.createFolder();
}

// Copies the current entry's data into target. A read error ends the entry and removes what was
// written of it, so that a damaged entry never passes for a complete file.
void copyEntryData(unzFile archive, const SharedString& target) {
  platform::OutputFile file;
  file.create(target.text());
  auto buffer = std::make_unique<unsigned char[]>(kCopyBufferSize);
  bool damaged = false;
  for (;;) {
    const int count = unzReadCurrentFile(archive, buffer.get(), kCopyBufferSize);
    if (count == 0) break;
    if (count < 0) {
      damaged = true;
      break;
    }
    std::size_t written = 0;
    file.write(buffer.get(), static_cast<std::size_t>(count), written);
  }
  const bool created = file.isOpen();
  file.flush();
  file.close();
  if (damaged && created) platform::deleteFile(target.text());
}

}  // namespace

bool unpackArchive(const char* archivePath, const char* destinationFolder) {
  SharedString destination(destinationFolder);
  const char separator = platform::pathSeparator();
  if (!destination.empty() && destination.findLastChar(separator) != destination.length() - 1) {
    destination.append(separator);
  }

  Archive archive(unzOpen(archivePath));
  if (!archive) return false;
  unzFile zip = static_cast<unzFile>(archive.get());

  char name[kNameLimit + 1];
  unz_file_info info{};
  for (;;) {
    std::memset(name, 0, sizeof name);
    if (unzGetCurrentFileInfo(zip, &info, name, kNameLimit, nullptr, 0, nullptr, 0) != UNZ_OK) {
      return true;
    }
    const std::size_t length = std::strlen(name);
    const bool isFolder = length >= 2 && name[length - 1] == '/';
    if (isSafeEntryName(name)) {
      SharedString entryName(name);
      const char separatorText[2] = {separator, '\0'};
      entryName.replaceText("/", separatorText, 1);
      const SharedString target = concat(destination, entryName);
      if (isFolder) {
        unpackFolderEntry(target);
      } else {
        if (unzOpenCurrentFile(zip) != UNZ_OK) return true;
        copyEntryData(zip, target);
        // A checksum mismatch is not acted upon: the archive is the program's own resource.
        unzCloseCurrentFile(zip);
      }
    }
    if (unzGoToNextFile(zip) != UNZ_OK) return true;
  }
}
