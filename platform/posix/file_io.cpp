#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform {
namespace {

// Closes the descriptor on every path out of a function.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

int writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return 0;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 1;
}

}  // namespace

int readWholeFile(const char* path, std::string& bytes) {
  bytes.clear();
  FileDescriptor fd(::open(path, O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return 0;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  if (static_cast<std::uint64_t>(st.st_size) > kMaximumWholeFileSize) return 0;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return 0;
    }
    if (n == 0) return 1;
    if (bytes.size() + static_cast<std::size_t>(n) > kMaximumWholeFileSize) return 0;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
}

int writeWholeFile(const char* path, const void* data, std::size_t size) {
  FileDescriptor fd(::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) return 0;
  if (!writeAll(fd.get(), static_cast<const char*>(data), size)) return 0;
  return ::close(fd.release()) == 0 ? 1 : 0;
}

int copyFile(const char* source, const char* target, int failIfExists) {
  FileDescriptor in(::open(source, O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return 0;
  struct stat st {};
  if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
  FileDescriptor out(::open(target, flags, st.st_mode & 0777));
  if (out.get() < 0) return 0;
  char chunk[1 << 16];
  for (;;) {
    const ssize_t n = ::read(in.get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return 0;
    }
    if (n == 0) break;
    if (!writeAll(out.get(), chunk, static_cast<std::size_t>(n))) return 0;
  }
  return ::close(out.release()) == 0 ? 1 : 0;
}

int renameReplacing(const char* source, const char* target) {
  return std::rename(source, target) == 0 ? 1 : 0;
}

int removeFile(const char* path) { return ::unlink(path) == 0 || errno == ENOENT ? 1 : 0; }

}  // namespace platform
