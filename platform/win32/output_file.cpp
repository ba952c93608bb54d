#include "platform/output_file.h"

#include <windows.h>

#include "platform/win32/file_errors.h"

namespace platform {

struct OutputFile::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::string path;
  std::string failure;

  int failed(DWORD error) {
    failure = path + ": " + systemText(error);
    return 0;
  }
};

OutputFile::OutputFile() : state_(std::make_unique<State>()) {}

OutputFile::~OutputFile() { close(); }

int OutputFile::create(const char* path) {
  close();
  state_->path = path != nullptr ? path : "";
  state_->failure.clear();
  const DWORD attributes = ::GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return state_->failed(ERROR_CANT_ACCESS_FILE);
  state_->handle =
      ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  return state_->handle != INVALID_HANDLE_VALUE ? 1 : state_->failed(::GetLastError());
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
    if (!::WriteFile(state_->handle, bytes + written, chunk, &done, nullptr))
      return state_->failed(::GetLastError());
    if (done == 0) return state_->failed(ERROR_DISK_FULL);
    written += done;
  }
  return 1;
}

int OutputFile::flush() {
  if (!isOpen()) return 0;
  return ::FlushFileBuffers(state_->handle) ? 1 : state_->failed(::GetLastError());
}

void OutputFile::close() {
  if (state_->handle != INVALID_HANDLE_VALUE) ::CloseHandle(state_->handle);
  state_->handle = INVALID_HANDLE_VALUE;
}

const std::string& OutputFile::failure() const { return state_->failure; }

}  // namespace platform
