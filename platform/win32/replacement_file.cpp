// rand_s, the C library's interface to the system's cryptographic random numbers.
#define _CRT_RAND_S
#include "platform/replacement_file.h"

#include <io.h>
#include <stdlib.h>
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/replacement_bookkeeping.h"
#include "platform/win32/file_errors.h"
#include "platform/win32/file_handle.h"
#include "platform/win32/range_cloning.h"

namespace platform {
namespace {

std::string describe(const char* action, const std::string& path, DWORD error) {
  return std::string(action) + " " + path + ": " + systemText(error);
}

// The folder part of `path` with its separator, or "" when it has none.
std::string folderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// Follows a target that is a symbolic link or junction to the file it ends at.
int resolveFinalTarget(const std::string& path, std::string& finalPath, std::string& failure) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      return failure = describe("Cannot examine", path, error), 0;
    finalPath = path;
    return 1;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return failure = path + ": not a regular file", 0;
    finalPath = path;
    return 1;
  }
  const HANDLE file =
      ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return failure = describe("Cannot follow", path, ::GetLastError()), 0;
  std::vector<char> buffer(MAX_PATH);
  DWORD length = ::GetFinalPathNameByHandleA(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = ::GetFinalPathNameByHandleA(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }
  const DWORD error = ::GetLastError();
  BY_HANDLE_FILE_INFORMATION information{};
  const BOOL known = ::GetFileInformationByHandle(file, &information);
  ::CloseHandle(file);
  if (length == 0 || length >= buffer.size())
    return failure = describe("Cannot follow", path, error), 0;
  if (known && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return failure = path + ": not a regular file", 0;
  std::string resolved(buffer.data(), length);
  if (resolved.rfind("\\\\?\\UNC\\", 0) == 0) {
    resolved = "\\\\" + resolved.substr(8);
  } else if (resolved.rfind("\\\\?\\", 0) == 0) {
    resolved = resolved.substr(4);
  }
  finalPath = resolved;
  return 1;
}

std::string unpredictableName() {
  static const char kDigits[] = "0123456789abcdef";
  std::string name = "~kx";
  for (int i = 0; i < 4; ++i) {
    unsigned int value = 0;
    rand_s(&value);
    for (int k = 0; k < 8; ++k, value >>= 4) name += kDigits[value & 15];
  }
  return name + ".tmp";
}

std::uint64_t sizeOf(const BY_HANDLE_FILE_INFORMATION& information) {
  return (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
}

// Removes a file that a copy made, read-only or not, never through a link put in its place.
void removeCopy(const std::string& path) {
  FileHandle file(::CreateFileA(path.c_str(), DELETE | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.valid()) return;
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  ::SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic);
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  ::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
}

// Removes every named stream of the file open as `file` at `path` (an installer's mark of where it
// came from, or anything else an input carried), so that the copy holds its bytes and nothing
// else, as a file written by the program does.
int removeNamedStreams(HANDLE file, const std::string& path) {
  DWORD flags = 0;
  if (!::GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
    return 0;
  if ((flags & FILE_NAMED_STREAMS) == 0) return 1;
  std::vector<std::uint64_t> buffer(8192);
  if (!::GetFileInformationByHandleEx(file, FileStreamInfo, buffer.data(),
                                      static_cast<DWORD>(buffer.size() * sizeof buffer[0])))
    return 0;
  const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (wideLength <= 0) return 0;
  std::wstring widePath(static_cast<std::size_t>(wideLength - 1), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath.data(), wideLength);
  const auto* entry = reinterpret_cast<const FILE_STREAM_INFO*>(buffer.data());
  for (;;) {
    const std::wstring name(entry->StreamName, entry->StreamNameLength / sizeof(WCHAR));
    if (name != L"::$DATA" && !::DeleteFileW((widePath + name).c_str())) return 0;
    if (entry->NextEntryOffset == 0) return 1;
    entry = reinterpret_cast<const FILE_STREAM_INFO*>(reinterpret_cast<const char*>(entry) +
                                                      entry->NextEntryOffset);
  }
}

// Block cloning, which the MinGW headers do not declare yet (winioctl.h of the Windows SDK).
constexpr DWORD kSupportsBlockRefcounting = 0x08000000;  // FILE_SUPPORTS_BLOCK_REFCOUNTING
constexpr DWORD kGetIntegrityInformation =
    CTL_CODE(FILE_DEVICE_FILE_SYSTEM, 159, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr DWORD kDuplicateExtentsToFile =
    CTL_CODE(FILE_DEVICE_FILE_SYSTEM, 209, METHOD_BUFFERED, FILE_WRITE_ACCESS);
struct DuplicateExtents {  // DUPLICATE_EXTENTS_DATA
  HANDLE source;
  LARGE_INTEGER sourceOffset;
  LARGE_INTEGER targetOffset;
  LARGE_INTEGER byteCount;
};
// The layout the system reads from 32-bit and 64-bit programs alike; a 32-bit program leaves the
// four bytes after the handle zero.
static_assert(sizeof(DuplicateExtents) == 32 && offsetof(DuplicateExtents, sourceOffset) == 8);
struct IntegrityInformation {  // FSCTL_GET_INTEGRITY_INFORMATION_BUFFER
  WORD checksumAlgorithm;
  WORD reserved;
  DWORD flags;
  DWORD checksumChunkSizeInBytes;
  DWORD clusterSizeInBytes;
};
static_assert(sizeof(IntegrityInformation) == 16);
// One clone call shares at most this much (below the 4 GiB a call may ask for, and a multiple of
// every cluster size).
constexpr std::uint64_t kLargestClone = std::uint64_t{1} << 30;

// The cluster size in which the volume of `file` can share blocks between files, or 0 when it
// cannot.
std::uint64_t clusterForCloning(HANDLE file) {
  DWORD flags = 0;
  if (!::GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
      (flags & kSupportsBlockRefcounting) == 0) {
    return 0;
  }
  IntegrityInformation information{};
  DWORD returned = 0;
  if (!::DeviceIoControl(file, kGetIntegrityInformation, nullptr, 0, &information,
                         sizeof information, &returned, nullptr) ||
      returned < sizeof information) {
    return 0;
  }
  return information.clusterSizeInBytes;
}

}  // namespace

struct ReplacementFile::State : ReplacementBookkeeping {
  HANDLE handle = INVALID_HANDLE_VALUE;
  // Whether ranges copied in may be shared with their source, in clusters of this size.
  bool cloningChecked = false;
  bool cloning = false;
  std::uint64_t cloneCluster = 0;

  void removeTemporary() {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    if (!temporary.empty() && !::DeleteFileA(temporary.c_str())) removeCopy(temporary);
    temporary.clear();
    cloningChecked = false;
  }

  // Creates the temporary file, new and empty, beside the target.
  int createTemporary() {
    const std::string folder = folderOf(target);
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
      const std::string candidate = folder + unpredictableName();
      // CREATE_NEW never opens what is already there, a link included.
      handle = ::CreateFileA(candidate.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                             nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        temporary = candidate;
      } else {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
          return fail(describe("Cannot create a file in", folder.empty() ? "." : folder, error));
      }
    }
    if (handle == INVALID_HANDLE_VALUE)
      return fail(describe("Cannot create a file in", folder, ERROR_FILE_EXISTS));
    return 1;
  }

  // Has the system copy all `length` bytes of `source` to a new temporary file beside the target
  // and opens it as `createTemporary` would have. 0 when the system could not: nothing is left
  // behind then, and the caller copies the bytes itself.
  int copyBySystem(const char* source, std::uint64_t length) {
    const std::string folder = folderOf(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string candidate = folder + unpredictableName();
      // Failing where the name exists, the copy never opens what is already there.
      if (::CopyFileExA(source, candidate.c_str(), nullptr, nullptr, nullptr,
                        COPY_FILE_FAIL_IF_EXISTS)) {
        temporary = candidate;
        if (adoptCopy(length)) return 1;
        removeTemporary();
        return 0;
      }
      const DWORD error = ::GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
        removeCopy(candidate);
        return 0;
      }
    }
    return 0;
  }

  // Takes the copy at `temporary` as the file being written, once it is the regular file of
  // `length` bytes that the copy made. What the copy took from the source besides the bytes goes:
  // a read-only attribute would keep the file from being flushed, renamed or removed, and a
  // file written by the program is dated when it is written and has no named streams.
  int adoptCopy(std::uint64_t length) {
    // Attribute access opens a read-only file; while this handle does not share deletion, the
    // name stays with this file until the handle for writing is open.
    FileHandle attributes(::CreateFileA(temporary.c_str(),
                                        FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!attributes.valid() || !::GetFileInformationByHandle(attributes.get(), &information) ||
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        information.nNumberOfLinks != 1 || sizeOf(information) != length) {
      return 0;
    }
    FILE_BASIC_INFO basic{};
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    basic.CreationTime.LowPart = basic.LastAccessTime.LowPart = basic.LastWriteTime.LowPart =
        now.dwLowDateTime;
    basic.CreationTime.HighPart = basic.LastAccessTime.HighPart = basic.LastWriteTime.HighPart =
        static_cast<LONG>(now.dwHighDateTime);
    basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    if (!::SetFileInformationByHandle(attributes.get(), FileBasicInfo, &basic, sizeof basic))
      return 0;
    FileHandle file(::CreateFileA(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid() || !removeNamedStreams(file.get(), temporary)) return 0;
    handle = file.release();
    size = length;
    return 1;
  }

  // Appends `count` bytes of `from`, starting at `offset`: shared with the source where the
  // volume can clone blocks, else through one buffer with large reads at explicit offsets.
  int copyRange(HANDLE from, std::uint64_t offset, std::uint64_t count) {
    if (!cloningChecked) {
      cloneCluster = clusterForCloning(handle);
      cloning = cloneCluster != 0;
      cloningChecked = true;
    }
    if (!copySharingClusters(
            offset, size, count, cloneCluster, cloning,
            [&](std::uint64_t in, std::uint64_t out, std::uint64_t n) {
              return cloneRange(from, in, out, n);
            },
            [&](std::uint64_t in, std::uint64_t out, std::uint64_t n) {
              return copyThroughBuffer(from, in, out, n);
            })) {
      return 0;
    }
    size += count;
    zerosPending = zerosPending && count == 0;
    return 1;
  }

  int copyThroughBuffer(HANDLE from, std::uint64_t offset, std::uint64_t at, std::uint64_t count) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(count, 1u << 20)));
    std::uint64_t done = 0;
    while (done < count) {
      const auto want = static_cast<DWORD>(std::min<std::uint64_t>(count - done, buffer.size()));
      OVERLAPPED position{};
      position.Offset = static_cast<DWORD>(offset + done);
      position.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
      DWORD got = 0;
      if (!::ReadFile(from, buffer.data(), want, &got, &position)) {
        const DWORD error = ::GetLastError();
        return fail(describe("Cannot copy into", target,
                             error == ERROR_HANDLE_EOF ? ERROR_READ_FAULT : error));
      }
      if (got == 0) return fail(describe("Cannot copy into", target, ERROR_READ_FAULT));
      if (!writeAt(at + done, buffer.data(), got)) return 0;
      done += got;
    }
    return 1;
  }

  // Has the file system share `count` bytes (whole clusters) of `from` at `offset` as the bytes at
  // `at` of this file. 0 when it would not; the range may then hold anything.
  int cloneRange(HANDLE from, std::uint64_t offset, std::uint64_t at, std::uint64_t count) {
    // A source shorter than asked is left to the copy, which fails on it. The range cloned into
    // must lie within the file.
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(from, &length) ||
        static_cast<std::uint64_t>(length.QuadPart) < offset + count ||
        !::GetFileSizeEx(handle, &length)) {
      return 0;
    }
    if (static_cast<std::uint64_t>(length.QuadPart) < at + count) {
      FILE_END_OF_FILE_INFO end{};
      end.EndOfFile.QuadPart = static_cast<LONGLONG>(at + count);
      if (!::SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end)) return 0;
    }
    for (std::uint64_t done = 0; done < count;) {
      const std::uint64_t piece = std::min(count - done, kLargestClone);
      DuplicateExtents extents;
      std::memset(&extents, 0, sizeof extents);
      extents.source = from;
      extents.sourceOffset.QuadPart = static_cast<LONGLONG>(offset + done);
      extents.targetOffset.QuadPart = static_cast<LONGLONG>(at + done);
      extents.byteCount.QuadPart = static_cast<LONGLONG>(piece);
      DWORD returned = 0;
      if (!::DeviceIoControl(handle, kDuplicateExtentsToFile, &extents, sizeof extents, nullptr, 0,
                             &returned, nullptr)) {
        return 0;
      }
      done += piece;
    }
    return 1;
  }

  int writeAt(std::uint64_t offset, const void* data, std::size_t count) {
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
      const DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD written = 0;
      if (!::WriteFile(handle, bytes, chunk, &written, &at))
        return fail(describe("Cannot write", target, ::GetLastError()));
      if (written == 0) return fail(describe("Cannot write", target, ERROR_DISK_FULL));
      bytes += written;
      count -= written;
      offset += written;
    }
    return 1;
  }
};

ReplacementFile::ReplacementFile() : state_(std::make_unique<State>()) {}

ReplacementFile::~ReplacementFile() { state_->removeTemporary(); }

int ReplacementFile::open(const char* target) {
  discard();
  State& s = *state_;
  if (!s.restart(target)) return 0;
  if (!resolveFinalTarget(target, s.target, s.failure)) return s.fail(s.failure);
  return s.createTemporary();
}

int ReplacementFile::openCopyOf(const char* source, const char* target) {
  discard();
  State& s = *state_;
  if (!s.restart(target)) return 0;
  // Nobody may write to the source or rename it while it is copied, so that the copy has the
  // length read here.
  FileHandle in(::CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in.valid()) return s.fail(describe("Cannot open", source, ::GetLastError()));
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(in.get(), &information))
    return s.fail(describe("Cannot examine", source, ::GetLastError()));
  if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    return s.fail(std::string(source) + ": not a regular file");
  if (!resolveFinalTarget(target, s.target, s.failure)) return s.fail(s.failure);
  // The system would encrypt the copy of an encrypted file with this user's key, which a file
  // the program writes is not.
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_ENCRYPTED) == 0 &&
      s.copyBySystem(source, sizeOf(information))) {
    return 1;
  }
  return s.createTemporary() && s.copyRange(in.get(), 0, sizeOf(information));
}

int ReplacementFile::write(const void* data, std::size_t size) {
  State& s = *state_;
  if (!s.writable(s.handle != INVALID_HANDLE_VALUE)) return 0;
  if (!s.writeAt(s.size, data, size)) return 0;
  s.size += size;
  s.zerosPending = s.zerosPending && size == 0;
  return 1;
}

int ReplacementFile::writeAt(std::uint64_t offset, const void* data, std::size_t size) {
  State& s = *state_;
  if (!s.writable(s.handle != INVALID_HANDLE_VALUE)) return 0;
  if (!s.withinWritten(offset, size))
    return s.fail(describe("Cannot write", s.target, ERROR_INVALID_PARAMETER));
  return s.writeAt(offset, data, size);
}

int ReplacementFile::appendZeros(std::uint64_t size) {
  State& s = *state_;
  if (!s.writable(s.handle != INVALID_HANDLE_VALUE)) return 0;
  s.size += size;
  s.zerosPending = s.zerosPending || size != 0;
  return 1;
}

int ReplacementFile::complete() {
  State& s = *state_;
  if (!s.writable(s.handle != INVALID_HANDLE_VALUE)) return 0;
  // A file whose end is moved out reads as zero up to it, as it does before bytes written past
  // its end.
  if (s.zerosPending) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(s.size);
    if (!::SetFileInformationByHandle(s.handle, FileEndOfFileInfo, &end, sizeof end))
      return s.fail(describe("Cannot write", s.target, ::GetLastError()));
  }
  s.zerosPending = false;
  return 1;
}

int ReplacementFile::copyFrom(std::FILE* source, std::uint64_t offset, std::uint64_t size) {
  State& s = *state_;
  if (!s.writable(s.handle != INVALID_HANDLE_VALUE)) return 0;
  const int descriptor = source != nullptr ? ::_fileno(source) : -1;
  const auto from = descriptor >= 0 ? reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor))
                                    : INVALID_HANDLE_VALUE;
  if (from == INVALID_HANDLE_VALUE)
    return s.fail(describe("Cannot copy into", s.target, ERROR_INVALID_HANDLE));
  return s.copyRange(from, offset, size);
}

const std::string& ReplacementFile::temporaryPath() const { return state_->temporary; }

const std::string& ReplacementFile::finalTarget() const { return state_->target; }

int ReplacementFile::commit() {
  State& s = *state_;
  if (!s.mayCommit(s.handle != INVALID_HANDLE_VALUE) || !complete()) return 0;
  if (!::FlushFileBuffers(s.handle))
    return s.fail(describe("Cannot write", s.target, ::GetLastError()));
  const HANDLE handle = s.handle;
  s.handle = INVALID_HANDLE_VALUE;
  if (!::CloseHandle(handle)) return s.fail(describe("Cannot write", s.target, ::GetLastError()));

  // ReplaceFile keeps the target's security descriptor, attributes and creation time; a target
  // that does not exist is simply created by the rename. The attributes are also given here, for
  // the systems whose ReplaceFile forgets them.
  const DWORD attributes = ::GetFileAttributesA(s.target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    ::SetFileAttributesA(
        s.temporary.c_str(),
        attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
  }
  const BOOL replaced = retryWhileHeld([&] {
    if (::GetFileAttributesA(s.target.c_str()) == INVALID_FILE_ATTRIBUTES)
      return ::MoveFileExA(s.temporary.c_str(), s.target.c_str(), MOVEFILE_WRITE_THROUGH);
    // ReplaceFile is called only once nobody holds the target, so that it never stops halfway
    // (some systems leave a renamed copy of the target behind when it does).
    const HANDLE probe = ::CreateFileA(s.target.c_str(), DELETE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return FALSE;
    ::CloseHandle(probe);
    return ::ReplaceFileA(s.target.c_str(), s.temporary.c_str(), nullptr,
                          REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                          nullptr);
  });
  if (!replaced) return s.fail(describe("Cannot replace", s.target, ::GetLastError()));
  s.temporary.clear();
  return 1;
}

void ReplacementFile::discard() { state_->removeTemporary(); }

const std::string& ReplacementFile::failure() const { return state_->failure; }

}  // namespace platform
