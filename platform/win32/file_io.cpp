#include "platform/file_io.h"

#include <windows.h>

#include <string>

#include "platform/chunk_loops.h"
#include "platform/win32/file_errors.h"
#include "platform/win32/file_handle.h"

namespace platform {
namespace {

// One read of the file behind `file`.
struct ChunkReader {
  HANDLE file;
  bool operator()(char* buffer, std::size_t capacity, std::size_t& got) {
    DWORD read = 0;
    if (!::ReadFile(file, buffer, static_cast<DWORD>(capacity), &read, nullptr)) return false;
    got = read;
    return true;
  }
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
  ChunkReader reader{file.get()};
  return readChunks(bytes, static_cast<std::uint64_t>(size.QuadPart), reader);
}

int renameReplacing(const char* source, const char* target) {
  return retryWhileHeld([&] {
    return ::MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  })
             ? 1
             : 0;
}

int removeFile(const char* path) {
  return ::DeleteFileA(path) || ::GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : 0;
}

}  // namespace platform
