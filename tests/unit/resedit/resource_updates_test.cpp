#include "resedit/resource_updates.h"

#include <gtest/gtest.h>

#include "base/path_name.h"
#include "base/shared_string.h"
#include "platform/ansi_text.h"
#include "resedit/language_match.h"
#include "resedit/pe/pe_resource_file.h"
#include "resedit/resource_edit_set.h"
#include "resedit/string_table_block.h"
#include "synthetic_image.h"

namespace {

using pe::ResourceId;

const ResourceId kBinary = named("BINARY");
const ResourceId kStrings = ResourceId::integer(6);

std::vector<unsigned char> stringBlock(const std::vector<std::pair<int, std::u16string>>& entries) {
  StringTableBlock block;
  for (const auto& [id, text] : entries) block.setEntry(static_cast<std::uint16_t>(id), text);
  std::vector<std::uint16_t> units(block.encode(nullptr));
  block.encode(units.data());
  std::vector<unsigned char> bytes;
  for (std::uint16_t unit : units) {
    bytes.push_back(static_cast<unsigned char>(unit));
    bytes.push_back(static_cast<unsigned char>(unit >> 8));
  }
  return bytes;
}

std::u16string stringOf(const std::string& path, std::uint16_t id, std::uint16_t language) {
  pe::PeResourceFile file;
  std::vector<std::uint8_t> data;
  if (!file.open(path) ||
      !file.readData(kStrings, ResourceId::integer(stringBlockNumber(id)), language, data)) {
    return u"<no block>";
  }
  StringTableBlock block;
  block.loadFromResource(data.data(), data.size());
  return block.entry(stringBlockIndex(id)).value_or(u"<empty>");
}

std::vector<std::uint16_t> languagesOf(const std::string& path, const ResourceId& type,
                                       const ResourceId& name) {
  pe::PeResourceFile file;
  return file.open(path) ? file.languages(type, name) : std::vector<std::uint16_t>{};
}

std::string dataOf(const std::string& path, const ResourceId& type, const ResourceId& name,
                   std::uint16_t language) {
  pe::PeResourceFile file;
  std::vector<std::uint8_t> data;
  if (!file.open(path) || !file.readData(type, name, language, data)) return "<none>";
  return std::string(data.begin(), data.end());
}

class ResourceUpdates : public ::testing::Test {
 protected:
  void SetUp() override {
    SyntheticImage image = SyntheticImage::usual();
    addResource(image.tree, kBinary, named("KXECONFIG"), 1033, "[setup]\n");
    addResource(image.tree, kBinary, named("DUAL"), 1031, "deutsch");
    addResource(image.tree, kBinary, named("DUAL"), 1033, "english");
    // Listed 1033 first: "first" is the directory's order, not the smaller id.
    std::vector<pe::ResourceEntry>& dual = languageEntries(image.tree, kBinary, named("DUAL"));
    std::swap(dual[0], dual[1]);
    addResource(image.tree, kBinary, named("NEUTRAL"), 0, "neutral");
    std::vector<std::pair<int, std::u16string>> strings;
    for (int id = 288; id <= 299; ++id) strings.push_back({id, u"Zeichenkette"});
    strings.push_back({300, u" /s"});
    std::vector<unsigned char> block = stringBlock(strings);
    image.tree.put(kStrings, ResourceId::integer(19), 1031,
                   std::vector<std::uint8_t>(block.begin(), block.end()));
    writeFileBytes(path, image.build());
    original = readFileBytes(path);
  }

  int replace(const char* name, const std::string& data, std::uint16_t language, int discard = 0,
              int create = 0) {
    return replaceResource(PathName(path.c_str()),
                           reinterpret_cast<const unsigned char*>(data.data()),
                           static_cast<std::uint32_t>(data.size()), SharedString(name),
                           SharedString("BINARY"), language, discard, create);
  }
  int replaceString(std::uint16_t id, const char* text, std::uint16_t language, int discard = 0,
                    int create = 0) {
    return replaceStringTableEntry(PathName(path.c_str()), id, SharedString(text), language,
                                   discard, create);
  }

  ScratchFolder folder;
  std::string path = folder.file("playinst.exe");
  std::vector<std::uint8_t> original;
};

TEST(LanguageMatching, TheWildcardTakesTheFirstOfferAndAnExplicitLanguageOnlyItself) {
  LanguageMatch any;
  EXPECT_EQ(matchLanguage(0, any), 0);
  EXPECT_EQ(any.language, 0);
  EXPECT_TRUE(any.found);
  LanguageMatch german{1031, 0};
  EXPECT_EQ(matchLanguage(1033, german), 1);
  EXPECT_FALSE(german.found);
  EXPECT_EQ(matchLanguage(1031, german), 0);
  EXPECT_TRUE(german.found);
  EXPECT_EQ(AnyLanguage, 0x8200);
}

TEST_F(ResourceUpdates, String300IsReplacedInTheLanguageItHasAndItsNeighboursKept) {
  EXPECT_TRUE(replaceString(300, " /p", AnyLanguage));
  EXPECT_EQ(stringOf(path, 300, 1031), u" /p");
  EXPECT_EQ(stringOf(path, 288, 1031), u"Zeichenkette");
  EXPECT_EQ(stringOf(path, 301, 1031), u"<empty>");
  EXPECT_EQ(languagesOf(path, kStrings, ResourceId::integer(19)), std::vector<std::uint16_t>{1031});
}

// Block 19 as an installer may hold it: the sixteen entries followed by bytes of no entry.
TEST_F(ResourceUpdates, String300ChangesOnlyItsOwnBytesAndASwitchAlreadyHeldRewritesNothing) {
  std::vector<std::pair<int, std::u16string>> strings{{299, u"Setup"}, {300, u" /p"}};
  std::vector<unsigned char> block = stringBlock(strings);
  const std::vector<unsigned char> trailing{0, 0, 0x5A};
  const auto withBlock = [&](std::vector<unsigned char> data) {
    SyntheticImage image = SyntheticImage::usual();
    addResource(image.tree, kBinary, named("KXECONFIG"), 1033, "[setup]\n");
    image.tree.put(kStrings, ResourceId::integer(19), 1031,
                   std::vector<std::uint8_t>(data.begin(), data.end()));
    writeFileBytes(path, image.build());
    return readFileBytes(path);
  };
  std::vector<unsigned char> padded = block;
  padded.insert(padded.end(), trailing.begin(), trailing.end());
  const std::vector<std::uint8_t> before = withBlock(padded);
  EXPECT_TRUE(replaceString(300, " /p", AnyLanguage));
  EXPECT_EQ(readFileBytes(path), before);

  EXPECT_TRUE(replaceString(300, " /s", AnyLanguage));
  std::vector<unsigned char> expected = stringBlock({{299, u"Setup"}, {300, u" /s"}});
  expected.insert(expected.end(), trailing.begin(), trailing.end());
  EXPECT_EQ(dataOf(path, kStrings, ResourceId::integer(19), 1031),
            std::string(expected.begin(), expected.end()));

  // A count that runs past the block's end: rewriting would lose the bytes it covers.
  std::vector<unsigned char> damaged = block;
  damaged[2 * 3] = 200;
  const std::vector<std::uint8_t> broken = withBlock(damaged);
  EXPECT_FALSE(replaceString(300, " /s", AnyLanguage));
  EXPECT_EQ(readFileBytes(path), broken);
}

TEST_F(ResourceUpdates, MissingBlocksAndLanguagesLeaveTheFileUntouched) {
  EXPECT_FALSE(replaceString(5, " /p", AnyLanguage));
  EXPECT_FALSE(replaceString(300, " /p", 1033));
  EXPECT_FALSE(replaceString(5, " /p", AnyLanguage, 0, 1));
  EXPECT_FALSE(replace("QTPREF", "q", AnyLanguage));
  EXPECT_FALSE(replace("KXECONFIG", "x", 1031));
  EXPECT_FALSE(replace("QTPREF", "q", AnyLanguage, 0, 1));
  EXPECT_FALSE(replace("KXECONFIG", "q", AnyLanguage, 0, 1));
  EXPECT_EQ(readFileBytes(path), original);
}

TEST_F(ResourceUpdates, AnEditSetWritesEverySettledUpdateInOneRewrite) {
  ResourceEditSet edits{PathName(path.c_str())};
  const std::string configuration = "[setup]\r\ninstallmode=2\r\n";
  EXPECT_EQ(edits.replaceStringTableEntry(300, SharedString(" /s"), AnyLanguage, 0), 1);
  // A second string of the same block keeps the first one's edit.
  EXPECT_EQ(edits.replaceStringTableEntry(290, SharedString("Setup"), AnyLanguage, 0), 1);
  EXPECT_EQ(
      edits.replaceResource(reinterpret_cast<const unsigned char*>(configuration.data()),
                            static_cast<std::uint32_t>(configuration.size()),
                            SharedString("KXECONFIG"), SharedString("BINARY"), AnyLanguage, 0),
      1);
  // Resources the file lacks are passed over without holding the others back.
  EXPECT_EQ(edits.replaceResource(reinterpret_cast<const unsigned char*>("q"), 1,
                                  SharedString("QTPREF"), SharedString("BINARY"), AnyLanguage, 0),
            0);
  EXPECT_EQ(readFileBytes(path), original) << "nothing is written before the commit";
  EXPECT_EQ(edits.commit(0), 1);
  EXPECT_EQ(stringOf(path, 300, 1031), u" /s");
  EXPECT_EQ(stringOf(path, 290, 1031), u"Setup");
  EXPECT_EQ(stringOf(path, 288, 1031), u"Zeichenkette");
  EXPECT_EQ(dataOf(path, kBinary, named("KXECONFIG"), 1033), configuration);
  EXPECT_EQ(dataOf(path, kBinary, named("DUAL"), 1031), "deutsch");
}

// Written elsewhere, the file itself is only read: the target gets the edits (or, when they change
// nothing, the file byte for byte); a target that cannot be written is reported and left alone.
TEST_F(ResourceUpdates, AnEditSetWrittenToAnotherFileLeavesItsSourceAlone) {
  const std::string configuration = "[setup]\r\ninstallmode=1\r\n";
  const auto settle = [&](ResourceEditSet& edits, const std::string& text) {
    return edits.replaceResource(reinterpret_cast<const unsigned char*>(text.data()),
                                 static_cast<std::uint32_t>(text.size()), SharedString("KXECONFIG"),
                                 SharedString("BINARY"), AnyLanguage, 0);
  };
  const std::string target = folder.file("custom.exe");
  writeFileBytes(target, {'o', 'l', 'd'});
  ResourceEditSet missing{PathName(path.c_str())};
  ASSERT_EQ(settle(missing, configuration), 1);
  EXPECT_EQ(missing.commitTo(folder.file("no/custom.exe")), 0);
  EXPECT_FALSE(missing.reason().empty());

  ResourceEditSet edits{PathName(path.c_str())};
  ASSERT_EQ(settle(edits, configuration), 1);
  ASSERT_EQ(edits.commitTo(target), 1) << edits.reason();
  EXPECT_EQ(dataOf(target, kBinary, named("KXECONFIG"), 1033), configuration);
  EXPECT_EQ(dataOf(target, kBinary, named("DUAL"), 1031), "deutsch");
  EXPECT_EQ(stringOf(target, 299, 1031), u"Zeichenkette");

  ResourceEditSet unchanged{PathName(path.c_str())};
  ASSERT_EQ(settle(unchanged, "[setup]\n"), 1);
  ASSERT_EQ(unchanged.commitTo(target), 1) << unchanged.reason();
  EXPECT_EQ(readFileBytes(target), original);
  EXPECT_EQ(readFileBytes(path), original);
}

TEST_F(ResourceUpdates, AnEditSetThatIsDiscardedOrHoldsNothingLeavesTheFileAlone) {
  ResourceEditSet discarded{PathName(path.c_str())};
  EXPECT_EQ(discarded.replaceStringTableEntry(300, SharedString(" /p"), AnyLanguage, 0), 1);
  EXPECT_EQ(discarded.commit(1), 0);
  ResourceEditSet empty{PathName(path.c_str())};
  EXPECT_EQ(empty.replaceStringTableEntry(5, SharedString(" /p"), AnyLanguage, 0), 0);
  EXPECT_EQ(empty.commit(0), 0);
  ResourceEditSet damaged{PathName((path + ".missing").c_str())};
  EXPECT_EQ(damaged.replaceStringTableEntry(300, SharedString(" /p"), AnyLanguage, 0), 0);
  EXPECT_EQ(readFileBytes(path), original);
}

TEST_F(ResourceUpdates, DiscardAndEmptyTextsChangeNothing) {
  replaceString(300, " /p", AnyLanguage, 1);
  replace("KXECONFIG", "discarded", AnyLanguage, 1);
  replaceString(300, "", AnyLanguage);
  EXPECT_EQ(readFileBytes(path), original);
}

TEST_F(ResourceUpdates, CreateIfMissingWritesInTheRequestedLanguage) {
  EXPECT_TRUE(replaceString(5, "new", 1033, 0, 1));
  EXPECT_EQ(stringOf(path, 5, 1033), u"new");
  EXPECT_EQ(stringOf(path, 4, 1033), u"<empty>");
  EXPECT_TRUE(replace("QTPREF", "qt", 1033, 0, 1));
  EXPECT_EQ(dataOf(path, kBinary, named("QTPREF"), 1033), "qt");
  // An existing block in another language gets a sibling; its own strings stay.
  EXPECT_TRUE(replaceString(300, " /p", 1033, 0, 1));
  EXPECT_EQ(languagesOf(path, kStrings, ResourceId::integer(19)),
            (std::vector<std::uint16_t>{1031, 1033}));
  EXPECT_EQ(stringOf(path, 300, 1031), u" /s");
  EXPECT_EQ(stringOf(path, 300, 1033), u" /p");
}

TEST_F(ResourceUpdates, TheWildcardReplacesOnlyTheFirstLanguageAndMatchesLanguageZero) {
  EXPECT_TRUE(replace("dual", "neu", AnyLanguage));
  EXPECT_EQ(dataOf(path, kBinary, named("DUAL"), 1033), "neu");
  EXPECT_EQ(dataOf(path, kBinary, named("DUAL"), 1031), "deutsch");
  EXPECT_EQ(languagesOf(path, kBinary, named("DUAL")), (std::vector<std::uint16_t>{1033, 1031}));
  EXPECT_TRUE(replace("NEUTRAL", "still neutral", AnyLanguage));
  EXPECT_EQ(dataOf(path, kBinary, named("NEUTRAL"), 0), "still neutral");
  // Exactly the bytes given, nothing appended; an empty resource is allowed.
  EXPECT_TRUE(replace("KXECONFIG", "", AnyLanguage));
  EXPECT_EQ(dataOf(path, kBinary, named("KXECONFIG"), 1033), "");
}

TEST_F(ResourceUpdates, NarrowTextIsStoredAsUtf16) {
  // "Grüße" in the narrow encoding of the platform under test.
  std::u16string expected = u"Gr\u00FC\u00DFe";
  std::string narrow =
      "Gr\xC3\xBC\xC3\x9F"
      "e";
  std::u16string wide;
  if (!platform::ansiToUtf16(narrow.c_str(), wide) || wide != expected)
    narrow =
        "Gr\xFC\xDF"
        "e";
  EXPECT_TRUE(replaceString(300, narrow.c_str(), AnyLanguage));
  EXPECT_EQ(stringOf(path, 300, 1031), expected);
}

TEST_F(ResourceUpdates, FilesThatAreNotExecutablesAreLeftAlone) {
  std::string text = folder.file("notes.txt");
  writeFileBytes(text, bytesOf("MZ but nothing more"));
  EXPECT_FALSE(replaceResource(PathName(text.c_str()), reinterpret_cast<const unsigned char*>("x"),
                               1, SharedString("A"), SharedString("BINARY"), 1033, 0, 1));
  EXPECT_FALSE(
      replaceStringTableEntry(PathName(text.c_str()), 300, SharedString(" /p"), 1033, 0, 1));
  EXPECT_EQ(readFileBytes(text), bytesOf("MZ but nothing more"));
  EXPECT_FALSE(replaceStringTableEntry(PathName(folder.file("missing.exe").c_str()), 300,
                                       SharedString(" /p"), 1033, 0, 1));
}

}  // namespace
