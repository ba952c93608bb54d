#include "platform/file_io.h"

#include <windows.h>

namespace platform {
namespace {

// Closes the handle on every path out of a function.
class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  BOOL close() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(h);
  }

 private:
  HANDLE h_;
};

}  // namespace

int readWholeFile(const char* path, std::string& bytes) {
  bytes.clear();
  FileHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return 0;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) return 0;
  if (static_cast<std::uint64_t>(size.QuadPart) > kMaximumWholeFileSize) return 0;
  bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  char chunk[65536];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) return 0;
    if (read == 0) return 1;
    if (bytes.size() + read > kMaximumWholeFileSize) return 0;
    bytes.append(chunk, read);
  }
}

int writeWholeFile(const char* path, const void* data, std::size_t size) {
  FileHandle file(::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return 0;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(file.get(), p, chunk, &written, nullptr) || written == 0) return 0;
    p += written;
    size -= written;
  }
  return file.close() ? 1 : 0;
}

int copyFile(const char* source, const char* target, int failIfExists) {
  return ::CopyFileA(source, target, failIfExists ? TRUE : FALSE) ? 1 : 0;
}

int renameReplacing(const char* source, const char* target) {
  return ::MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

int removeFile(const char* path) {
  return ::DeleteFileA(path) || ::GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : 0;
}

}  // namespace platform
