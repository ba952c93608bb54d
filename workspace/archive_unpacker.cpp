#include "workspace/archive_unpacker.h"

#include <unzip.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "base/shared_string.h"
#include "platform/file_attributes.h"
#include "platform/file_system.h"
#include "platform/output_file.h"
#include "platform/path_rules.h"
#include "workspace/folder_object.h"

namespace {

constexpr int kNameLimit = 512;
constexpr unsigned kCopyBufferSize = 8192;
constexpr std::uint64_t kLocalHeaderSize = 30;

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

// The bytes of the archive that file entries occupy, local header to end of data. Entries of a
// sound archive never share them; a crafted one points many directory entries at one deflated
// entry to make a small archive unpack to an unbounded amount of data.
class ClaimedRanges {
 public:
  // Claims the current entry's bytes (its data just opened); false when an earlier entry holds
  // any of them.
  bool claim(unzFile archive, const unz_file_info& info) {
    const std::uint64_t dataStart = unzGetCurrentFileZStreamPos64(archive);
    const int localExtra = unzGetLocalExtrafield(archive, nullptr, 0);
    if (localExtra < 0) return false;
    // Opening the data checked that the local header's name is as long as the directory's.
    const std::uint64_t header =
        kLocalHeaderSize + info.size_filename + static_cast<std::uint64_t>(localExtra);
    if (dataStart < header) return false;
    const Range range{dataStart - header, dataStart + info.compressed_size};
    for (const Range& earlier : ranges_) {
      if (range.start < earlier.end && earlier.start < range.end) return false;
    }
    ranges_.push_back(range);
    return true;
  }

 private:
  struct Range {
    std::uint64_t start;
    std::uint64_t end;
  };
  std::vector<Range> ranges_;
};

enum class CopyResult { kComplete, kFailed, kOverBounds };

// Copies the current entry's data into target, at most `allowance` bytes of it. Whatever goes
// wrong (unreadable data, a failed or short write, a checksum mismatch, too many bytes) removes
// what was written of it, so that a damaged entry never passes for a complete file.
CopyResult copyEntryData(unzFile archive, const SharedString& target, std::uint64_t allowance,
                         std::uint64_t& copied, std::string& failure) {
  platform::OutputFile file;
  const bool created = file.create(target.text()) != 0;
  auto buffer = std::make_unique<unsigned char[]>(kCopyBufferSize);
  CopyResult result = created ? CopyResult::kComplete : CopyResult::kFailed;
  if (!created) failure = file.failure();
  for (;;) {
    const int count = unzReadCurrentFile(archive, buffer.get(), kCopyBufferSize);
    if (count == 0) break;
    if (count < 0) {
      result = CopyResult::kFailed;
      if (failure.empty()) failure = "its data cannot be read (damaged archive)";
      break;
    }
    copied += static_cast<std::uint64_t>(count);
    if (copied > allowance) {
      result = CopyResult::kOverBounds;
      break;
    }
    std::size_t written = 0;
    if (created && result == CopyResult::kComplete &&
        (!file.write(buffer.get(), static_cast<std::size_t>(count), written) ||
         written != static_cast<std::size_t>(count))) {
      result = CopyResult::kFailed;
      failure = file.failure();
    }
  }
  if (created && !file.flush() && result == CopyResult::kComplete) {
    result = CopyResult::kFailed;
    failure = file.failure();
  }
  file.close();
  // The checksum is known only once all of the data was read.
  if (unzCloseCurrentFile(archive) != UNZ_OK && result == CopyResult::kComplete) {
    result = CopyResult::kFailed;
    failure = "its data does not match its checksum (damaged archive)";
  }
  if (created && result != CopyResult::kComplete) platform::deleteFile(target.text());
  return result;
}

}  // namespace

bool unpackArchive(const char* archivePath, const char* destinationFolder, std::string* failure) {
  // The first thing that went wrong is the one worth telling.
  std::string first;
  const auto note = [&](const std::string& what) {
    if (first.empty()) first = what;
  };
  struct Report {
    std::string& first;
    std::string* failure;
    ~Report() {
      if (failure != nullptr) *failure = first;
    }
  } report{first, failure};
  const std::string archiveText = archivePath != nullptr ? archivePath : "";
  const auto entryFailure = [&](const char* entry, const std::string& why) {
    note(archiveText + ": entry " + entry + ": " + why);
  };

  SharedString destination(destinationFolder);
  const char separator = platform::pathSeparator();
  if (!destination.empty() && destination.findLastChar(separator) != destination.length() - 1) {
    destination.append(separator);
  }

  Archive archive(unzOpen(archivePath));
  if (!archive) {
    note(archiveText + (platform::fileAttributes(archivePath) == platform::kInvalidFileAttributes
                            ? ": not found"
                            : ": not a readable ZIP archive"));
    return false;
  }
  unzFile zip = static_cast<unzFile>(archive.get());
  unz_global_info global{};
  if (unzGetGlobalInfo(zip, &global) != UNZ_OK || global.number_entry > kMaximumArchiveEntries) {
    note(archiveText + ": damaged, or more entries than an editor archive has");
    return false;
  }

  char name[kNameLimit + 1];
  unz_file_info info{};
  ClaimedRanges claimed;
  std::uint64_t unpacked = 0;
  bool whole = true;
  for (std::uint64_t entries = 1;; ++entries) {
    std::memset(name, 0, sizeof name);
    if (entries > kMaximumArchiveEntries ||
        unzGetCurrentFileInfo(zip, &info, name, kNameLimit, nullptr, 0, nullptr, 0) != UNZ_OK) {
      note(archiveText + ": its list of entries is damaged");
      return false;
    }
    const std::size_t length = std::strlen(name);
    const bool isFolder = length >= 2 && name[length - 1] == '/';
    if (!isSafeEntryName(name)) {
      whole = false;
      entryFailure(name, "its name points outside the folder, so it was skipped");
    } else {
      SharedString entryName(name);
      const char separatorText[2] = {separator, '\0'};
      entryName.replaceText("/", separatorText, 1);
      const SharedString target = concat(destination, entryName);
      if (isFolder) {
        unpackFolderEntry(target);
      } else {
        if (info.uncompressed_size > kMaximumEntryBytes ||
            info.uncompressed_size > kMaximumUnpackedBytes - unpacked) {
          entryFailure(name, "larger than an editor archive holds");
          return false;
        }
        if (unzOpenCurrentFile(zip) != UNZ_OK) {
          entryFailure(name, "its data cannot be opened (damaged archive)");
          return false;
        }
        if (!claimed.claim(zip, info)) {
          unzCloseCurrentFile(zip);
          entryFailure(name, "its data overlaps another entry's (damaged archive)");
          return false;
        }
        std::uint64_t copied = 0;
        std::string why;
        const CopyResult copy = copyEntryData(
            zip, target,
            std::min<std::uint64_t>(kMaximumEntryBytes, kMaximumUnpackedBytes - unpacked), copied,
            why);
        unpacked += copied;
        if (copy == CopyResult::kOverBounds) {
          entryFailure(name, "larger than an editor archive holds");
          return false;
        }
        if (copy == CopyResult::kFailed) {
          whole = false;
          // A file that could not be written names itself; a damaged entry is named by the archive.
          if (why.rfind(target.text(), 0) == 0) {
            note(why);
          } else {
            entryFailure(name, why);
          }
        }
      }
    }
    const int next = unzGoToNextFile(zip);
    if (next == UNZ_END_OF_LIST_OF_FILE) return whole;
    if (next != UNZ_OK) {
      note(archiveText + ": its list of entries is damaged");
      return false;
    }
  }
}
