#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Little-endian field access for PE structures. Every read is bounds-checked because the bytes come
// from files we do not trust.
namespace pe {

inline int readU16(std::span<const std::uint8_t> bytes, std::size_t offset, std::uint16_t& value) {
  if (offset > bytes.size() || bytes.size() - offset < 2) return 0;
  value = static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
  return 1;
}

inline int readU32(std::span<const std::uint8_t> bytes, std::size_t offset, std::uint32_t& value) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return 0;
  value = static_cast<std::uint32_t>(bytes[offset]) |
          (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
          (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
          (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
  return 1;
}

inline void putU16(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void putU32(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
  out[2] = static_cast<std::uint8_t>(value >> 16);
  out[3] = static_cast<std::uint8_t>(value >> 24);
}

// Whether [offset, offset + size) lies within [0, total), without overflowing.
inline bool fitsWithin(std::uint64_t offset, std::uint64_t size, std::uint64_t total) {
  return offset <= total && size <= total - offset;
}

inline std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment) {
  return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}

}  // namespace pe
