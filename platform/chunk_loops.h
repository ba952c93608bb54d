#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_io.h"

namespace platform {

// The read loop of the whole-file services, the same on every platform; each backend
// gives only how one chunk is read: `read(buffer, capacity, got)` fills up to `capacity` bytes,
// sets `got` (0 at the end of the file) and answers false when the read failed.

inline constexpr std::size_t kChunkBytes = 65536;

// Appends the whole file to `bytes`, reserved for `expectedSize`. 0 on a read failure or once
// more than kMaximumWholeFileSize bytes came.
template <typename Read>
int readChunks(std::string& bytes, std::uint64_t expectedSize, Read& read) {
  bytes.reserve(static_cast<std::size_t>(expectedSize));
  char chunk[kChunkBytes];
  for (;;) {
    std::size_t got = 0;
    if (!read(chunk, sizeof chunk, got)) return 0;
    if (got == 0) return 1;
    if (bytes.size() + got > kMaximumWholeFileSize) return 0;
    bytes.append(chunk, got);
  }
}

}  // namespace platform
