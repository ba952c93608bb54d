#include "resedit/string_table_block.h"

namespace {

std::u16string upToZero(const std::u16string& text) {
  std::size_t zero = text.find(u'\0');
  return zero == std::u16string::npos ? text : text.substr(0, zero);
}

}  // namespace

void StringTableBlock::loadFromResource(const unsigned char* data, std::size_t size) {
  if (data == nullptr) return;
  std::size_t units = size / 2;
  auto unitAt = [data](std::size_t index) {
    return static_cast<char16_t>(data[2 * index] | (data[2 * index + 1] << 8));
  };
  std::size_t at = 0;
  for (auto& entry : entries_) {
    entry.reset();
    if (at >= units) continue;
    std::size_t count = unitAt(at++);
    if (count > units - at) {
      at = units;
      continue;
    }
    if (count > 0) {
      std::u16string text(count, u'\0');
      for (std::size_t k = 0; k < count; ++k) text[k] = unitAt(at + k);
      // Kept verbatim, zero units included: the block's other strings are not ours to change.
      entry = std::move(text);
    }
    at += count;
  }
}

void StringTableBlock::setEntry(std::uint16_t id, const std::u16string& text) {
  std::u16string copy = upToZero(text);
  if (copy.size() > kMaximumLength) copy.resize(kMaximumLength);
  entries_[static_cast<std::size_t>(stringBlockIndex(id))] = std::move(copy);
}

std::size_t StringTableBlock::encode(std::uint16_t* buffer) const {
  std::size_t units = 0;
  for (const auto& entry : entries_) {
    std::size_t length = entry ? entry->size() : 0;
    if (buffer != nullptr) {
      buffer[units] = static_cast<std::uint16_t>(length);
      for (std::size_t k = 0; k < length; ++k)
        buffer[units + 1 + k] = static_cast<std::uint16_t>((*entry)[k]);
    }
    units += 1 + length;
  }
  return units;
}
