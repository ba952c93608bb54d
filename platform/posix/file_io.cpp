#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/chunk_loops.h"

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

 private:
  int fd_;
};

// One read of the file behind `fd`, an interrupted read tried again.
struct ChunkReader {
  int fd;
  bool operator()(char* buffer, std::size_t capacity, std::size_t& got) {
    for (;;) {
      const ssize_t n = ::read(fd, buffer, capacity);
      if (n >= 0) {
        got = static_cast<std::size_t>(n);
        return true;
      }
      if (errno != EINTR) return false;
    }
  }
};

}  // namespace

int readWholeFile(const char* path, std::string& bytes) {
  bytes.clear();
  FileDescriptor fd(::open(path, O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return 0;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  if (static_cast<std::uint64_t>(st.st_size) > kMaximumWholeFileSize) return 0;
  ChunkReader reader{fd.get()};
  return readChunks(bytes, static_cast<std::uint64_t>(st.st_size), reader);
}

int renameReplacing(const char* source, const char* target) {
  return std::rename(source, target) == 0 ? 1 : 0;
}

int removeFile(const char* path) { return ::unlink(path) == 0 || errno == ENOENT ? 1 : 0; }

}  // namespace platform
