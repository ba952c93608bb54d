#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pe {

// The PE image checksum: the 16-bit words of the file added with end-around carry, plus the file
// length. The CheckSum field must read as zero while the bytes are added. Since 2^16 = 1 modulo
// 0xFFFF, whole 32-bit words can be added and folded once at the end, which gives the same value
// as folding after every 16-bit word at a fraction of the cost.
class PeChecksum {
 public:
  void add(const std::uint8_t* bytes, std::size_t count) {
    std::size_t i = 0;
    if (pending_ && count > 0) {
      sum_ += static_cast<std::uint32_t>(pendingByte_ | (bytes[0] << 8));
      pending_ = false;
      i = 1;
    }
    std::uint64_t sum = 0;
    for (; i + 4 <= count; i += 4) {
      std::uint32_t word = static_cast<std::uint32_t>(bytes[i]) |
                           (static_cast<std::uint32_t>(bytes[i + 1]) << 8) |
                           (static_cast<std::uint32_t>(bytes[i + 2]) << 16) |
                           (static_cast<std::uint32_t>(bytes[i + 3]) << 24);
      sum += word;
    }
    sum_ += fold(sum);
    if (i + 2 <= count) {
      sum_ += static_cast<std::uint32_t>(bytes[i] | (bytes[i + 1] << 8));
      i += 2;
    }
    if (i < count) {
      pendingByte_ = bytes[i];
      pending_ = true;
    }
    sum_ = fold(sum_);
  }

  std::uint32_t finish(std::uint64_t fileLength) {
    if (pending_) sum_ += pendingByte_;
    pending_ = false;
    return static_cast<std::uint32_t>(fold(sum_) + fileLength);
  }

 private:
  static std::uint64_t fold(std::uint64_t value) {
    while (value > 0xFFFF) value = (value & 0xFFFF) + (value >> 16);
    return value;
  }

  std::uint64_t sum_ = 0;
  std::uint8_t pendingByte_ = 0;
  bool pending_ = false;
};

}  // namespace pe
