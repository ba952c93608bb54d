#pragma once

#include <bit>
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
    if constexpr (std::endian::native == std::endian::little) {
      // Sixteen bytes at a time into four independent sums, which the processor adds in
      // parallel; each stays far from overflowing for any file below 2^60 bytes.
      std::uint64_t lanes[4] = {0, 0, 0, 0};
      for (; i + 16 <= count; i += 16) {
        std::uint64_t low = 0;
        std::uint64_t high = 0;
        std::memcpy(&low, bytes + i, 8);
        std::memcpy(&high, bytes + i + 8, 8);
        lanes[0] += low & 0xFFFFFFFF;
        lanes[1] += low >> 32;
        lanes[2] += high & 0xFFFFFFFF;
        lanes[3] += high >> 32;
      }
      for (std::uint64_t lane : lanes) sum += fold(lane);
    }
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

  // The sum so far modulo 0xFFFF, with a last odd byte counted as a word of its own.
  std::uint32_t residue() const {
    return static_cast<std::uint32_t>(fold(sum_ + (pending_ ? pendingByte_ : 0)) % 0xFFFF);
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

// The checksum adjusted for the bytes that changed, so that unchanged bytes need not be added up
// again. Why this equals a full recomputation: folding with end-around carry keeps a sum modulo
// 0xFFFF (2^16 = 1 modulo 0xFFFF), and a sum S > 0 folds to ((S - 1) mod 0xFFFF) + 1, never to 0.
// A byte b at file offset p adds b * 256^(p mod 2) to S, and since 256^2 = 1 modulo 0xFFFF, S
// modulo 0xFFFF is the sum of each byte's own term, whatever the bytes around it are. So the new
// file's residue is the old one's, less the terms of the bytes taken away, plus those of the bytes
// put in; a range moved by an odd number of bytes has its residue multiplied by 256 (its two bytes
// swapped). A PE file starts with "MZ", so its S is never 0 and the residue fixes the checksum.
class ChecksumResidue {
 public:
  // The terms of `count` bytes that lie at file offset `offset`.
  static std::uint32_t of(const std::uint8_t* bytes, std::size_t count, std::uint64_t offset) {
    PeChecksum sum;
    const std::uint8_t none = 0;
    if (offset % 2 != 0) sum.add(&none, 1);
    sum.add(bytes, count);
    return sum.residue();
  }
  static std::uint32_t plus(std::uint32_t a, std::uint32_t b) { return (a + b) % 0xFFFF; }
  static std::uint32_t minus(std::uint32_t a, std::uint32_t b) { return (a + 0xFFFF - b) % 0xFFFF; }
  // The terms of a range whose bytes moved by `shift` (either way).
  static std::uint32_t moved(std::uint32_t residue, std::uint64_t shift) {
    return shift % 2 == 0 ? residue : (residue * 256) % 0xFFFF;
  }
  // The checksum of a file of `fileLength` bytes, some of them not zero, with this residue.
  static std::uint32_t checksum(std::uint32_t residue, std::uint64_t fileLength) {
    return static_cast<std::uint32_t>((residue == 0 ? 0xFFFF : residue) + fileLength);
  }
};

}  // namespace pe
