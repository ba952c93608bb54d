#include "platform/output_file.h"

#include <windows.h>

namespace platform {

struct OutputFile::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

OutputFile::OutputFile() : state_(std::make_unique<State>()) {}

OutputFile::~OutputFile() { close(); }

int OutputFile::create(const char* path) {
  close();
  const DWORD attributes = ::GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return 0;
  state_->handle =
      ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  return state_->handle != INVALID_HANDLE_VALUE ? 1 : 0;
}

bool OutputFile::isOpen() const { return state_->handle != INVALID_HANDLE_VALUE; }

int OutputFile::write(const void* data, std::size_t size, std::size_t& written) {
  written = 0;
  if (!isOpen()) return 0;
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (written < size) {
    const std::size_t rest = size - written;
    const DWORD chunk = rest > 0x40000000u ? 0x40000000u : static_cast<DWORD>(rest);
    DWORD done = 0;
    if (!::WriteFile(state_->handle, bytes + written, chunk, &done, nullptr) || done == 0) return 0;
    written += done;
  }
  return 1;
}

int OutputFile::flush() { return isOpen() && ::FlushFileBuffers(state_->handle) ? 1 : 0; }

void OutputFile::close() {
  if (state_->handle != INVALID_HANDLE_VALUE) ::CloseHandle(state_->handle);
  state_->handle = INVALID_HANDLE_VALUE;
}

}  // namespace platform
