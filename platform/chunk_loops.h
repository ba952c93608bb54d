#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/replacement_file.h"

namespace platform {

// The read and copy loops of the whole-file services, the same on every platform; each backend
// gives only how one chunk is read: `read(buffer, capacity, got)` fills up to `capacity` bytes,
// sets `got` (0 at the end of the file) and answers false when the read failed.

inline constexpr std::size_t kChunkBytes = 65536;
// Copies take larger pieces: a 256 MiB installer is copied twice on its way to a player.
inline constexpr std::size_t kCopyChunkBytes = std::size_t{1} << 20;

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

// Copies the whole file into `out` (opened on the target) and commits it. A read failure leaves
// the target as it was, with `readFailure()` as the reason; a failed write or commit gives the
// replacement's own reason.
template <typename Read, typename ReadFailure>
int copyChunks(ReplacementFile& out, Read& read, ReadFailure readFailure, std::string* reason) {
  std::vector<char> chunk(kCopyChunkBytes);
  for (;;) {
    std::size_t got = 0;
    if (!read(chunk.data(), chunk.size(), got)) {
      if (reason != nullptr) *reason = readFailure();
      return 0;
    }
    if (got == 0) break;
    if (!out.write(chunk.data(), got)) break;
  }
  if (!out.commit()) {
    if (reason != nullptr) *reason = out.failure();
    return 0;
  }
  return 1;
}

}  // namespace platform
