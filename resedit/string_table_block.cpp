#include "resedit/string_table_block.h"

#include <algorithm>

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

bool setBlockEntry(std::vector<std::uint8_t>& data, std::uint16_t id, const std::u16string& text) {
  constexpr int kEntries = StringTableBlock::kEntries;
  const int index = stringBlockIndex(id);
  // Where each entry starts, as far as the counts can be followed.
  std::array<std::size_t, kEntries + 1> starts{};
  int whole = 0;
  bool damaged = false;
  std::size_t at = 0;
  for (; whole < kEntries && at < data.size(); ++whole) {
    starts[static_cast<std::size_t>(whole)] = at;
    const std::size_t left = data.size() - at;
    const std::size_t count = left < 2 ? 0 : (data[at] | (data[at + 1] << 8));
    if (left < 2 || count > (left - 2) / 2) {
      damaged = true;
      break;
    }
    at += 2 + 2 * count;
  }
  starts[static_cast<std::size_t>(whole)] = at;
  if (damaged && whole <= index) return false;
  // Without damage, fewer than sixteen entries means the data ended where an entry ended.
  const int missing = damaged ? 0 : kEntries - std::max(whole, index + 1);

  std::u16string copy = upToZero(text);
  if (copy.size() > StringTableBlock::kMaximumLength) copy.resize(StringTableBlock::kMaximumLength);
  std::vector<std::uint8_t> entry;
  entry.reserve(2 + 2 * copy.size());
  const auto put = [&entry](std::size_t unit) {
    entry.push_back(static_cast<std::uint8_t>(unit));
    entry.push_back(static_cast<std::uint8_t>(unit >> 8));
  };
  put(copy.size());
  for (char16_t unit : copy) put(unit);

  if (whole <= index) {
    // The data ended before the entry: the entries between come back empty.
    data.resize(data.size() + 2 * static_cast<std::size_t>(index - whole), 0);
    data.insert(data.end(), entry.begin(), entry.end());
  } else {
    const auto begin = data.begin() + static_cast<std::ptrdiff_t>(starts[index]);
    const auto end = data.begin() + static_cast<std::ptrdiff_t>(starts[index + 1]);
    if (std::equal(begin, end, entry.begin(), entry.end())) return true;
    data.insert(data.erase(begin, end), entry.begin(), entry.end());
  }
  data.resize(data.size() + 2 * static_cast<std::size_t>(missing), 0);
  return true;
}
