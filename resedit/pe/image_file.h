#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/replacement_file.h"

namespace pe {

// An open file read or written at explicit offsets. Files of 2 GiB or more are refused: PE offsets
// are 32-bit and the C library's seek offsets are 32-bit on the 32-bit Windows build.
class ImageFile {
 public:
  int openForReading(const std::string& path);
  int createForWriting(const std::string& path);
  int isOpen() const { return file_ != nullptr; }
  std::uint64_t size() const { return size_; }
  // Reads exactly `count` bytes at `offset`; 0 when the file has fewer.
  int readAt(std::uint64_t offset, void* out, std::size_t count);
  // Appends `count` bytes at `offset` to `out`, copied by the system where it can.
  int copyTo(std::uint64_t offset, std::uint64_t count, platform::ReplacementFile& out);
  int append(const void* data, std::size_t count);
  int writeAt(std::uint64_t offset, const void* data, std::size_t count);
  // Flushes and closes; 1 only when every byte reached the file.
  int finish();
  void close() { file_.reset(); }

  static constexpr std::uint64_t kMaximumSize = 0x7FFFFFFF;

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  static constexpr std::uint64_t kUnknownPosition = ~std::uint64_t{0};

  std::unique_ptr<std::FILE, Closer> file_;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
  int writeFailed_ = 0;
};

}  // namespace pe
