#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

struct OutputFile::State {
  int fd = -1;
  std::string path;
  std::string failure;

  int failed(int error) {
    failure = path + ": " + std::strerror(error);
    return 0;
  }
};

OutputFile::OutputFile() : state_(std::make_unique<State>()) {}

OutputFile::~OutputFile() { close(); }

int OutputFile::create(const char* path) {
  close();
  state_->path = path != nullptr ? path : "";
  state_->failure.clear();
  state_->fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  return state_->fd >= 0 ? 1 : state_->failed(errno);
}

bool OutputFile::isOpen() const { return state_->fd >= 0; }

int OutputFile::write(const void* data, std::size_t size, std::size_t& written) {
  written = 0;
  if (state_->fd < 0) return 0;
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (written < size) {
    const ssize_t n = ::write(state_->fd, bytes + written, size - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return state_->failed(n < 0 ? errno : ENOSPC);
    written += static_cast<std::size_t>(n);
  }
  return 1;
}

int OutputFile::flush() {
  if (state_->fd < 0) return 0;
  return ::fsync(state_->fd) == 0 ? 1 : state_->failed(errno);
}

void OutputFile::close() {
  if (state_->fd >= 0) ::close(state_->fd);
  state_->fd = -1;
}

const std::string& OutputFile::failure() const { return state_->failure; }

}  // namespace platform
