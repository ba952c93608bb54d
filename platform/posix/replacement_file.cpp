#include "platform/replacement_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/replacement_bookkeeping.h"

namespace platform {
namespace {

// Symbolic links are followed at most this many times, as the kernel does.
constexpr int kMaximumLinks = 40;
// How much of a large copy is written before the system is asked to start writing it to the disk.
constexpr off_t kWritebackPiece = 16 << 20;

std::string describe(const char* action, const std::string& path, int error) {
  return std::string(action) + " " + path + ": " + std::strerror(error);
}

// The folder part of `path` ("." when it has none).
std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows `path` through symbolic links to the file they end at, which need not exist yet.
int resolveFinalTarget(const std::string& path, std::string& finalPath, std::string& failure) {
  std::string current = path;
  for (int hop = 0; hop <= kMaximumLinks; ++hop) {
    struct stat status {};
    if (::lstat(current.c_str(), &status) != 0) {
      if (errno != ENOENT) return failure = describe("Cannot examine", current, errno), 0;
      finalPath = current;
      return 1;
    }
    if (!S_ISLNK(status.st_mode)) {
      if (!S_ISREG(status.st_mode)) {
        failure = current + ": not a regular file";
        return 0;
      }
      finalPath = current;
      return 1;
    }
    std::vector<char> link(static_cast<std::size_t>(status.st_size) + 256);
    const ssize_t length = ::readlink(current.c_str(), link.data(), link.size());
    if (length < 0) return failure = describe("Cannot read the link", current, errno), 0;
    const std::string destination(link.data(), static_cast<std::size_t>(length));
    if (!destination.empty() && destination[0] == '/') {
      current = destination;
    } else {
      const std::size_t slash = current.rfind('/');
      current =
          slash == std::string::npos ? destination : current.substr(0, slash + 1) + destination;
    }
  }
  failure = describe("Cannot follow", path, ELOOP);
  return 0;
}

// A name nobody can guess, so that nothing can be planted at it beforehand.
std::string unpredictableName() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[16];
  std::size_t got = 0;
  while (got < sizeof random) {
    const ssize_t n = ::getrandom(random + got, sizeof random - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  std::string name = ".kxtmp-";
  for (unsigned char byte : random) name += kLetters[byte % (sizeof kLetters - 1)];
  return name;
}

// Extended attributes (POSIX ACLs among them) go with the contents; file capabilities do not,
// for the same reason as setuid: new contents must not inherit a privilege. An attribute that
// this user may not set, or that the file system cannot hold, is passed over.
int copyExtendedAttributes(const std::string& model, int fd, std::string& failure) {
  const ssize_t listSize = ::llistxattr(model.c_str(), nullptr, 0);
  if (listSize <= 0) return 1;  // none, or a file system without them
  std::vector<char> names(static_cast<std::size_t>(listSize));
  const ssize_t got = ::llistxattr(model.c_str(), names.data(), names.size());
  if (got < 0) return 1;
  for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
    const char* name = names.data() + at;
    at += std::strlen(name) + 1;
    if (std::strcmp(name, "security.capability") == 0) continue;
    const ssize_t valueSize = ::lgetxattr(model.c_str(), name, nullptr, 0);
    if (valueSize < 0) continue;
    std::vector<char> value(static_cast<std::size_t>(valueSize));
    const ssize_t valueGot = ::lgetxattr(model.c_str(), name, value.data(), value.size());
    if (valueGot < 0) continue;
    if (::fsetxattr(fd, name, value.data(), static_cast<std::size_t>(valueGot), 0) != 0 &&
        errno != ENOTSUP && errno != EOPNOTSUPP && errno != EPERM && errno != EACCES) {
      failure = describe("Cannot copy the extended attributes of", model, errno);
      return 0;
    }
  }
  return 1;
}

int writeAllAt(int fd, const char* data, std::size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return 0;
    if (n == 0) return errno = ENOSPC, 0;
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return 1;
}

// Copies through a buffer, for systems or file pairs that cannot copy by themselves.
int copyThroughBuffer(int from, off_t& in, int to, off_t& out, std::uint64_t& left) {
  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(left, 1 << 20)));
  while (left > 0) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
    const ssize_t got = ::pread(from, buffer.data(), want, in);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return 0;
    if (got == 0) return errno = EIO, 0;  // the source is shorter than it was
    if (!writeAllAt(to, buffer.data(), static_cast<std::size_t>(got), out)) return 0;
    in += got;
    out += got;
    left -= static_cast<std::uint64_t>(got);
  }
  return 1;
}

}  // namespace

struct ReplacementFile::State : ReplacementBookkeeping {
  int fd = -1;

  void removeTemporary() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    if (!temporary.empty()) ::unlink(temporary.c_str());
    temporary.clear();
  }
};

ReplacementFile::ReplacementFile() : state_(std::make_unique<State>()) {}

ReplacementFile::~ReplacementFile() { state_->removeTemporary(); }

int ReplacementFile::open(const char* target) {
  discard();
  State& s = *state_;
  if (!s.restart(target)) return 0;
  if (!resolveFinalTarget(target, s.target, s.failure)) return s.fail(s.failure);

  struct stat status {};
  const bool replacing = ::lstat(s.target.c_str(), &status) == 0;
  // A file that replaces another is private until commit gives it the other's mode; a new file
  // gets the mode any new file of this user gets.
  const mode_t mode = replacing ? 0600 : 0666;
  const std::string folder = folderOf(s.target);
  for (int attempt = 0; attempt < 100 && s.fd < 0; ++attempt) {
    const std::string candidate = folder + "/" + unpredictableName();
    s.fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (s.fd >= 0) {
      s.temporary = candidate;
    } else if (errno != EEXIST) {
      return s.fail(describe("Cannot create a file in", folder, errno));
    }
  }
  if (s.fd < 0) return s.fail(describe("Cannot create a file in", folder, EEXIST));
  return 1;
}

int ReplacementFile::openCopyOf(const char* source, const char* target) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(source, "rbe"), &std::fclose);
  struct stat status {};
  const char* refusal = !in                                         ? "Cannot open"
                        : ::fstat(::fileno(in.get()), &status) != 0 ? "Cannot examine"
                                                                    : nullptr;
  if (refusal == nullptr && !S_ISREG(status.st_mode)) {
    refusal = "Cannot copy";
    errno = EINVAL;
  }
  if (refusal != nullptr) {
    const int error = errno;
    discard();
    state_->restart(target);
    return state_->fail(describe(refusal, source, error));
  }
  return open(target) && copyFrom(in.get(), 0, static_cast<std::uint64_t>(status.st_size));
}

int ReplacementFile::write(const void* data, std::size_t size) {
  State& s = *state_;
  if (!s.writable(s.fd >= 0)) return 0;
  if (!writeAllAt(s.fd, static_cast<const char*>(data), size, static_cast<off_t>(s.size)))
    return s.fail(describe("Cannot write", s.target, errno));
  s.size += size;
  s.zerosPending = s.zerosPending && size == 0;
  return 1;
}

int ReplacementFile::writeAt(std::uint64_t offset, const void* data, std::size_t size) {
  State& s = *state_;
  if (!s.writable(s.fd >= 0)) return 0;
  if (!s.withinWritten(offset, size)) return s.fail(describe("Cannot write", s.target, EINVAL));
  if (!writeAllAt(s.fd, static_cast<const char*>(data), size, static_cast<off_t>(offset)))
    return s.fail(describe("Cannot write", s.target, errno));
  return 1;
}

int ReplacementFile::appendZeros(std::uint64_t size) {
  State& s = *state_;
  if (!s.writable(s.fd >= 0)) return 0;
  s.size += size;
  s.zerosPending = s.zerosPending || size != 0;
  return 1;
}

int ReplacementFile::complete() {
  State& s = *state_;
  if (!s.writable(s.fd >= 0)) return 0;
  // Every byte between the old end of a file and the new end that truncation gives it reads as
  // zero; a write past the end leaves the same behind it.
  if (s.zerosPending && ::ftruncate(s.fd, static_cast<off_t>(s.size)) != 0)
    return s.fail(describe("Cannot write", s.target, errno));
  s.zerosPending = false;
  return 1;
}

int ReplacementFile::copyFrom(std::FILE* source, std::uint64_t offset, std::uint64_t size) {
  State& s = *state_;
  if (!s.writable(s.fd >= 0)) return 0;
  const int from = source != nullptr ? ::fileno(source) : -1;
  if (from < 0) return s.fail(describe("Cannot copy into", s.target, EBADF));
  off_t in = static_cast<off_t>(offset);
  off_t out = static_cast<off_t>(s.size);
  std::uint64_t left = size;
  // In pieces whose writing to the disk starts at once (without waiting for it), so that the disk
  // works while the next piece is copied and the flush before the commit has less left to do.
  off_t unsent = out;
  while (left > 0) {
    if (out - unsent >= kWritebackPiece) {
      ::sync_file_range(s.fd, unsent, out - unsent, SYNC_FILE_RANGE_WRITE);
      unsent = out;
    }
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kWritebackPiece));
    const ssize_t copied = ::copy_file_range(from, &in, s.fd, &out, want, 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP ||
                       errno == EINVAL || errno == EBADF)) {
      // Another file system, an old kernel or a file the kernel cannot copy by itself.
      if (!copyThroughBuffer(from, in, s.fd, out, left))
        return s.fail(describe("Cannot copy into", s.target, errno));
      break;
    }
    if (copied < 0) return s.fail(describe("Cannot copy into", s.target, errno));
    if (copied == 0) return s.fail(describe("Cannot copy into", s.target, EIO));
    left -= static_cast<std::uint64_t>(copied);
  }
  s.size += size;
  s.zerosPending = s.zerosPending && size == 0;
  return 1;
}

const std::string& ReplacementFile::temporaryPath() const { return state_->temporary; }

const std::string& ReplacementFile::finalTarget() const { return state_->target; }

int ReplacementFile::commit() {
  State& s = *state_;
  if (!s.mayCommit(s.fd >= 0) || !complete()) return 0;
  struct stat status {};
  if (::lstat(s.target.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
    // Another owner is kept where the system allows it; the group alone is often allowed.
    if (::fchown(s.fd, status.st_uid, status.st_gid) != 0) {
      if (errno != EPERM ||
          (::fchown(s.fd, static_cast<uid_t>(-1), status.st_gid) != 0 && errno != EPERM)) {
        return s.fail(describe("Cannot give the owner of", s.target, errno));
      }
    }
    if (::fchmod(s.fd, status.st_mode & 0777) != 0)
      return s.fail(describe("Cannot give the permissions of", s.target, errno));
    if (!copyExtendedAttributes(s.target, s.fd, s.failure)) return s.fail(s.failure);
  }
  if (::fsync(s.fd) != 0) return s.fail(describe("Cannot write", s.target, errno));
  const int fd = s.fd;
  s.fd = -1;
  if (::close(fd) != 0) return s.fail(describe("Cannot write", s.target, errno));
  if (::rename(s.temporary.c_str(), s.target.c_str()) != 0)
    return s.fail(describe("Cannot replace", s.target, errno));
  s.temporary.clear();

  // The rename itself is durable only once the folder is.
  const std::string folder = folderOf(s.target);
  const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0) return s.fail(describe("Cannot flush the folder", folder, errno));
  const int synced = ::fsync(folderFd) == 0 || errno == EINVAL;
  const int error = errno;
  ::close(folderFd);
  if (!synced) return s.fail(describe("Cannot flush the folder", folder, error));
  return 1;
}

void ReplacementFile::discard() { state_->removeTemporary(); }

const std::string& ReplacementFile::failure() const { return state_->failure; }

}  // namespace platform
