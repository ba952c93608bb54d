#include "resedit/string_table_block.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<unsigned char> blockData(const std::vector<std::u16string>& entries) {
  std::vector<unsigned char> data;
  for (const std::u16string& entry : entries) {
    data.push_back(static_cast<unsigned char>(entry.size()));
    data.push_back(static_cast<unsigned char>(entry.size() >> 8));
    for (char16_t unit : entry) {
      data.push_back(static_cast<unsigned char>(unit));
      data.push_back(static_cast<unsigned char>(unit >> 8));
    }
  }
  return data;
}

std::vector<std::uint16_t> encoded(const StringTableBlock& block) {
  std::vector<std::uint16_t> units(block.encode(nullptr));
  EXPECT_EQ(block.encode(units.data()), units.size());
  return units;
}

TEST(StringTableBlock, AddressesStringsByBlockAndIndex) {
  EXPECT_EQ(stringBlockNumber(300), 19);
  EXPECT_EQ(stringBlockIndex(300), 12);
  EXPECT_EQ(stringBlockNumber(0), 1);
  EXPECT_EQ(stringBlockNumber(15), 1);
  EXPECT_EQ(stringBlockIndex(15), 15);
  EXPECT_EQ(stringBlockNumber(16), 2);
  EXPECT_EQ(stringBlockIndex(16), 0);
  EXPECT_EQ(stringBlockNumber(65535), 4096);
}

TEST(StringTableBlock, ABlockWithOnlyString300EncodesToNineteenUnits) {
  StringTableBlock block;
  block.setEntry(300, u" /p");
  std::vector<std::uint16_t> units = encoded(block);
  std::vector<std::uint16_t> expected(19, 0);
  expected[12] = 3;
  expected[13] = u' ';
  expected[14] = u'/';
  expected[15] = u'p';
  EXPECT_EQ(units, expected);
}

TEST(StringTableBlock, ReplacingOneEntryKeepsItsNeighboursAndEmptyEntries) {
  std::vector<std::u16string> entries(16);
  for (int k = 0; k < 12; ++k)
    entries[static_cast<std::size_t>(k)] = u"Zeichenkette " + std::u16string(1, u'a' + k);
  entries[12] = u" /s";
  std::vector<unsigned char> data = blockData(entries);
  StringTableBlock block;
  block.loadFromResource(data.data(), data.size());
  block.setEntry(300, u" /p");
  entries[12] = u" /p";
  std::vector<unsigned char> expected = blockData(entries);
  std::vector<std::uint16_t> units = encoded(block);
  std::vector<unsigned char> bytes;
  for (std::uint16_t unit : units) {
    bytes.push_back(static_cast<unsigned char>(unit));
    bytes.push_back(static_cast<unsigned char>(unit >> 8));
  }
  EXPECT_EQ(bytes, expected);
}

TEST(StringTableBlock, OtherEntriesWithZeroUnitsAreKeptVerbatim) {
  std::vector<std::u16string> entries(16);
  entries[3] = std::u16string(u"a\0b", 3);
  entries[4] = std::u16string(u"Kestrix\0", 8);
  entries[5] = std::u16string(u"\0", 1);
  std::vector<unsigned char> data = blockData(entries);
  StringTableBlock block;
  block.loadFromResource(data.data(), data.size());
  block.setEntry(12, u" /p");
  entries[12] = u" /p";
  std::vector<std::uint16_t> units = encoded(block);
  std::vector<unsigned char> bytes;
  for (std::uint16_t unit : units) {
    bytes.push_back(static_cast<unsigned char>(unit));
    bytes.push_back(static_cast<unsigned char>(unit >> 8));
  }
  EXPECT_EQ(bytes, blockData(entries));
}

TEST(StringTableBlock, AShortBlockIsReadWithoutGoingPastItsEnd) {
  std::vector<std::u16string> entries(16);
  entries[0] = u"first";
  entries[1] = u"second";
  std::vector<unsigned char> data = blockData(entries);
  // Cut inside entry 1: entry 0 survives, entry 1 and all after it are empty.
  data.resize(2 + 10 + 2 + 4);
  StringTableBlock block;
  block.setEntry(5, u"stale");
  block.loadFromResource(data.data(), data.size());
  EXPECT_EQ(block.entry(0).value_or(u"?"), u"first");
  for (int k = 1; k < 16; ++k) EXPECT_FALSE(block.entry(k).has_value()) << k;
  // An odd byte count and no data at all are handled too.
  block.loadFromResource(data.data(), 3);
  EXPECT_FALSE(block.entry(0).has_value());
  block.setEntry(2, u"kept");
  block.loadFromResource(nullptr, 0);
  EXPECT_EQ(block.entry(2).value_or(u"?"), u"kept");
}

TEST(StringTableBlock, SettingAnEntryInBlockDataChangesOnlyThatEntrysBytes) {
  std::vector<std::u16string> entries(16);
  entries[11] = u"Kestrix Setup";
  entries[12] = u" /p";
  entries[14] = u"last";
  const std::vector<unsigned char> whole = blockData(entries);
  const std::vector<unsigned char> trailing{0, 0, 0x5A};
  const auto plus = [](std::vector<unsigned char> data, const std::vector<unsigned char>& more) {
    data.insert(data.end(), more.begin(), more.end());
    return data;
  };
  const auto set = [](std::vector<unsigned char> data, const std::u16string& text) {
    std::vector<std::uint8_t> bytes(data.begin(), data.end());
    const bool ok = setBlockEntry(bytes, 300, text);
    return std::make_pair(ok, std::vector<unsigned char>(bytes.begin(), bytes.end()));
  };
  std::vector<std::u16string> silent = entries;
  silent[12] = u" /s";

  // Bytes after the sixteenth entry stay; the same text leaves every byte as it was.
  EXPECT_EQ(set(plus(whole, trailing), u" /s"),
            std::make_pair(true, plus(blockData(silent), trailing)));
  EXPECT_EQ(set(plus(whole, trailing), u" /p"), std::make_pair(true, plus(whole, trailing)));

  // A block that ends early is completed, unless the entry already holds the text.
  const std::vector<unsigned char> thirteen = blockData({entries.begin(), entries.begin() + 13});
  EXPECT_EQ(set(thirteen, u" /p"), std::make_pair(true, thirteen));
  std::vector<std::u16string> onlyFirst(16);
  onlyFirst[12] = u" /s";
  EXPECT_EQ(set(blockData({u""}), u" /s"), std::make_pair(true, blockData(onlyFirst)));
  EXPECT_EQ(set({}, u" /s"), std::make_pair(true, blockData(onlyFirst)));

  // A count running past the end before the entry refuses; after it, the broken tail is kept.
  std::vector<unsigned char> early = whole;
  early[0] = 40;
  EXPECT_EQ(set(early, u" /s"), std::make_pair(false, early));
  std::vector<unsigned char> late = whole;
  late.resize(late.size() - 4);
  std::vector<unsigned char> lateSilent = blockData(silent);
  lateSilent.resize(lateSilent.size() - 4);
  EXPECT_EQ(set(late, u" /s"), std::make_pair(true, lateSilent));
}

TEST(StringTableBlock, EmptyTextsEncodeAsASingleZeroCount) {
  StringTableBlock block;
  block.setEntry(7, u"");
  EXPECT_EQ(encoded(block), std::vector<std::uint16_t>(16, 0));
}

}  // namespace
