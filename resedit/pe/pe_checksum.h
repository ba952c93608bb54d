#pragma once

#include <cstddef>
#include <cstdint>

namespace pe {

// The PE image checksum: 16-bit one's-complement-style sum of the file with carries folded back in,
// plus the file length. The CheckSum field must read as zero while the bytes are added.
class PeChecksum {
 public:
  void add(const std::uint8_t* bytes, std::size_t count) {
    std::size_t i = 0;
    if (pending_ && count > 0) {
      addWord(static_cast<std::uint32_t>(pendingByte_ | (bytes[0] << 8)));
      pending_ = false;
      i = 1;
    }
    for (; i + 1 < count; i += 2)
      addWord(static_cast<std::uint32_t>(bytes[i] | (bytes[i + 1] << 8)));
    if (i < count) {
      pendingByte_ = bytes[i];
      pending_ = true;
    }
  }

  std::uint32_t finish(std::uint64_t fileLength) {
    if (pending_) addWord(pendingByte_);
    pending_ = false;
    sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
    return static_cast<std::uint32_t>((sum_ & 0xFFFF) + fileLength);
  }

 private:
  void addWord(std::uint32_t word) {
    sum_ += word;
    sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
  }

  std::uint64_t sum_ = 0;
  std::uint8_t pendingByte_ = 0;
  bool pending_ = false;
};

}  // namespace pe
