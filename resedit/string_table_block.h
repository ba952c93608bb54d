#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One block of sixteen string-table entries; entry k holds string (block - 1) * 16 + k. The data
// format is sixteen 16-bit counts, each followed by that many UTF-16 units, with no terminators.
class StringTableBlock {
 public:
  static constexpr int kEntries = 16;
  static constexpr std::size_t kMaximumLength = 0xFFFF;

  StringTableBlock() = default;
  virtual ~StringTableBlock() = default;

  // Reads the sixteen entries of a block's data exactly as counted, zero units included; with no
  // data nothing changes. Never reads past `size`: an entry whose count runs past the end, and
  // every entry after it, is left empty.
  void loadFromResource(const unsigned char* data, std::size_t size);
  // Entry (id mod 16) takes a copy of the text up to its first zero unit; texts longer than a count
  // can express are cut at 65535 units.
  void setEntry(std::uint16_t id, const std::u16string& text);
  // Writes the block into `buffer` (when given) and returns its size in 16-bit units.
  std::size_t encode(std::uint16_t* buffer) const;

  // Empty when the entry holds no text.
  const std::optional<std::u16string>& entry(int index) const {
    return entries_[static_cast<std::size_t>(index)];
  }

 private:
  std::array<std::optional<std::u16string>, kEntries> entries_;
};

// Sets string `id` in a block's resource data (empty for a new block) and changes no other byte:
// the other entries, and whatever follows the sixteenth, stay exactly as they were, so a block
// whose entry already holds the text keeps all of its bytes. Otherwise a block that ends early,
// where an entry ends, is completed with empty entries, as a new block is. False, with the data
// untouched, when a count at or before the entry runs past the data's end: such a block cannot be
// rewritten without losing bytes.
bool setBlockEntry(std::vector<std::uint8_t>& data, std::uint16_t id, const std::u16string& text);

// The block number holding string `id` (the name of its RT_STRING resource) and its index there.
inline std::uint16_t stringBlockNumber(std::uint16_t id) {
  return static_cast<std::uint16_t>(id / 16 + 1);
}
inline int stringBlockIndex(std::uint16_t id) { return id % 16; }
