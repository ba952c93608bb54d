#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "resedit/pe/byte_order.h"
#include "resedit/pe/pe_checksum.h"
#include "resedit/pe/pe_resource_file.h"
#include "resedit/pe/resource_update_batch.h"
#include "synthetic_image.h"

namespace {

using pe::Placement;
using pe::ResourceId;

const ResourceId kBinary = named("BINARY");
const ResourceId kConfig = named("KXECONFIG");

SyntheticImage installerImage() {
  SyntheticImage image = SyntheticImage::usual();
  addResource(image.tree, kBinary, kConfig, 1033, "[setup]\ninstallmode=1\n");
  addResource(image.tree, kBinary, named("QTPREF"), 1033, "qt");
  addResource(image.tree, kBinary, named("DUAL"), 1033, "english");
  addResource(image.tree, kBinary, named("DUAL"), 1031, "deutsch");
  addResource(image.tree, ResourceId::integer(10), ResourceId::integer(1), 1033, "rcdata");
  image.overlay = bytesOf("KXPAYLOAD-overlay-bytes-that-must-survive");
  return image;
}

std::vector<std::uint8_t> readResource(const std::string& path, const ResourceId& type,
                                       const ResourceId& name, std::uint16_t language) {
  pe::PeResourceFile file;
  std::vector<std::uint8_t> bytes;
  if (!file.open(path) || !file.readData(type, name, language, bytes)) return {};
  return bytes;
}

// The section table of a file as it is now; empty when the file cannot be read.
std::vector<pe::SectionHeader> sectionsOf(const std::string& path) {
  pe::PeResourceFile file;
  return file.open(path) ? file.layout().sections : std::vector<pe::SectionHeader>{};
}

std::vector<std::uint8_t> overlayOf(const std::string& path) {
  pe::PeResourceFile file;
  if (!file.open(path)) return {};
  std::vector<std::uint8_t> bytes = readFileBytes(path);
  std::uint64_t start = file.layout().endOfSectionData();
  pe::DataDirectory certificate = file.layout().directory(pe::kSecurityDirectory);
  std::uint64_t end = certificate.virtualAddress ? certificate.virtualAddress : bytes.size();
  return {bytes.begin() + static_cast<std::ptrdiff_t>(start),
          bytes.begin() + static_cast<std::ptrdiff_t>(end)};
}

struct Edited {
  int committed = 0;
  Placement placement = Placement::kRefused;
  std::string reason;
};

Edited edit(const std::string& path, const std::string& newConfig) {
  pe::ResourceUpdateBatch batch;
  Edited result;
  if (!batch.begin(path)) return result;
  batch.update(kBinary, kConfig, 1033, bytesOf(newConfig));
  result.placement = batch.plannedPlacement();
  result.reason = batch.reason();
  result.committed = batch.end(false);
  return result;
}

std::vector<std::uint8_t> rawDataOf(const std::string& path, const pe::SectionHeader& section) {
  std::vector<std::uint8_t> bytes = readFileBytes(path);
  auto start = bytes.begin() + section.pointerToRawData;
  return {start, start + section.sizeOfRawData};
}

// Names of the sections, in table order.
std::vector<std::string> sectionNames(const std::string& path) {
  std::vector<std::string> names;
  for (const pe::SectionHeader& section : sectionsOf(path))
    names.push_back(pe::sectionName(section));
  return names;
}

class PeEngine : public ::testing::TestWithParam<bool> {
 protected:
  ScratchFolder folder;
  std::string path = folder.file("installer.exe");
};

TEST_P(PeEngine, ReadsLanguagesInDirectoryOrderAndMatchesNamesWithoutCase) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  // Directory order, not numeric order: list 1033 before 1031.
  std::vector<pe::ResourceEntry>& dual = languageEntries(image.tree, kBinary, named("DUAL"));
  std::swap(dual[0], dual[1]);
  writeFileBytes(path, image.build());
  pe::PeResourceFile file;
  ASSERT_TRUE(file.open(path));
  EXPECT_EQ(file.languages(named("binary"), named("dual")),
            (std::vector<std::uint16_t>{1033, 1031}));
  EXPECT_TRUE(file.exists(named("Binary"), named("KxeConfig"), 1033));
  EXPECT_FALSE(file.exists(kBinary, kConfig, 1031));
  EXPECT_TRUE(file.languages(kBinary, named("MISSING")).empty());
  EXPECT_EQ(readResource(path, ResourceId::integer(10), ResourceId::integer(1), 1033),
            bytesOf("rcdata"));
}

TEST_P(PeEngine, RewritesInPlaceWhenTheTreeFitsAndKeepsEverythingElse) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  writeFileBytes(path, image.build());
  std::vector<std::uint8_t> before = readFileBytes(path);

  Edited result = edit(path, "[setup]\ninstallmode=2\n");
  ASSERT_TRUE(result.committed);
  EXPECT_EQ(result.placement, Placement::kInPlace);
  std::vector<std::uint8_t> after = readFileBytes(path);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(readResource(path, kBinary, kConfig, 1033), bytesOf("[setup]\ninstallmode=2\n"));
  EXPECT_EQ(readResource(path, kBinary, named("DUAL"), 1031), bytesOf("deutsch"));
  // Headers and the section table are untouched apart from the checksum; .text, .reloc and the
  // overlay keep their bytes.
  pe::PeResourceFile file;
  ASSERT_TRUE(file.open(path));
  std::uint32_t checksumAt = file.layout().checkSumOffset();
  for (std::size_t i = 0; i < 0x400; ++i) {
    if (i < checksumAt || i >= checksumAt + 4) {
      ASSERT_EQ(after[i], before[i]) << "header byte " << i;
    }
  }
  EXPECT_TRUE(std::equal(after.begin() + 0x400, after.begin() + 0x800, before.begin() + 0x400));
  EXPECT_TRUE(std::equal(after.end() - 0x200 - static_cast<std::ptrdiff_t>(image.overlay.size()),
                         after.end(),
                         before.end() - 0x200 - static_cast<std::ptrdiff_t>(image.overlay.size())));
}

TEST_P(PeEngine, GrowsOverDiscardableSectionsAndMovesTheOverlayByWholeFileAlignments) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  writeFileBytes(path, image.build());
  std::vector<std::uint8_t> overlayBefore = overlayOf(path);
  pe::PeResourceFile original;
  ASSERT_TRUE(original.open(path));
  std::uint64_t overlayStart = original.layout().endOfSectionData();
  original.file().close();

  std::string big(9000, 'x');
  Edited result = edit(path, big);
  ASSERT_TRUE(result.committed);
  EXPECT_EQ(result.placement, Placement::kGrow);
  pe::PeResourceFile file;
  ASSERT_TRUE(file.open(path));
  const pe::PeLayout& layout = file.layout();
  ASSERT_EQ(layout.sections.size(), 3u);
  EXPECT_EQ((layout.endOfSectionData() - overlayStart) % layout.fileAlignment, 0u);
  EXPECT_EQ(overlayOf(path), overlayBefore);
  EXPECT_EQ(readResource(path, kBinary, kConfig, 1033), bytesOf(big));
  // The relocations moved behind the grown section, and their directory moved with them.
  const pe::SectionHeader& resources = layout.sections[1];
  const pe::SectionHeader& relocations = layout.sections[2];
  EXPECT_GE(relocations.virtualAddress, resources.virtualAddress + resources.virtualSize);
  EXPECT_EQ(layout.directory(pe::kBaseRelocationDirectory).virtualAddress,
            relocations.virtualAddress);
  EXPECT_EQ(layout.sizeOfImage, relocations.virtualAddress + 0x1000);
  std::vector<std::uint8_t> relocationBytes(relocations.virtualSize);
  ASSERT_TRUE(file.file().readAt(relocations.pointerToRawData, relocationBytes.data(),
                                 relocationBytes.size()));
  EXPECT_EQ(relocationBytes, image.relocationTable());
  EXPECT_EQ(layout.sizeOfInitializedData, resources.sizeOfRawData + relocations.sizeOfRawData);
}

// Raw data larger than the section's address slot (as some tools write it): a tree that fits the
// raw data but not the slot moves only the addresses behind it; file offsets and the overlay stay.
TEST_P(PeEngine, ATreeThatFitsTheRawDataButNotItsAddressSlotMovesOnlyAddresses) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  image.checksum = false;
  // .text at 0x1000, resources at 0x2000 with 0x1600 raw bytes, relocations pulled down to 0x3000.
  image.sections[1].resources = false;
  image.sections[1].data = image.tree.serialize(0x2000);
  std::uint32_t treeSize = static_cast<std::uint32_t>(image.sections[1].data.size());
  ASSERT_LE(treeSize, 0x800u);
  image.sections[1].data.resize(0x1600, 0);
  std::vector<std::uint8_t> bytes = image.build();
  std::uint32_t optional = 0x80 + 24;
  std::uint32_t directories = optional + (image.pe32Plus ? 112 : 96);
  std::uint32_t table = optional + (image.pe32Plus ? 240 : 224);
  pe::putU32(&bytes[table + 40 + 8], 0x800);    // resources' VirtualSize
  pe::putU32(&bytes[table + 80 + 12], 0x3000);  // relocations' VirtualAddress
  pe::putU32(&bytes[directories + 16], 0x2000);
  pe::putU32(&bytes[directories + 20], treeSize);
  pe::putU32(&bytes[directories + 40], 0x3000);
  pe::putU32(&bytes[optional + 56], 0x4000);
  writeFileBytes(path, bytes);
  std::vector<std::uint8_t> overlayBefore = overlayOf(path);
  std::vector<pe::SectionHeader> sectionsBefore = sectionsOf(path);
  ASSERT_FALSE(sectionsBefore.empty());

  Edited result = edit(path, std::string(0x1000, 'w'));
  ASSERT_TRUE(result.committed);
  EXPECT_EQ(result.placement, Placement::kGrow);
  pe::PeResourceFile file;
  ASSERT_TRUE(file.open(path));
  const pe::PeLayout& layout = file.layout();
  ASSERT_EQ(layout.sections.size(), 3u);
  EXPECT_EQ(layout.fileSize, bytes.size());
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(layout.sections[i].pointerToRawData, sectionsBefore[i].pointerToRawData) << i;
    EXPECT_EQ(layout.sections[i].sizeOfRawData, sectionsBefore[i].sizeOfRawData) << i;
  }
  EXPECT_EQ(layout.sections[2].virtualAddress, 0x4000u);
  EXPECT_EQ(layout.directory(pe::kBaseRelocationDirectory).virtualAddress, 0x4000u);
  EXPECT_EQ(overlayOf(path), overlayBefore);
  EXPECT_EQ(readResource(path, kBinary, kConfig, 1033), bytesOf(std::string(0x1000, 'w')));
}

TEST_P(PeEngine, AppendsASectionWhenALoadedSectionFollowsAndNeverMovesIt) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  image.sections.push_back({".kxtail", 0xC0000040, std::vector<std::uint8_t>(0x80, 0x22), false});
  writeFileBytes(path, image.build());
  std::vector<std::uint8_t> overlayBefore = overlayOf(path);
  std::vector<pe::SectionHeader> sectionsBefore = sectionsOf(path);
  ASSERT_FALSE(sectionsBefore.empty());

  Edited result = edit(path, std::string(9000, 'y'));
  ASSERT_TRUE(result.committed);
  EXPECT_EQ(result.placement, Placement::kAppend);
  pe::PeResourceFile file;
  ASSERT_TRUE(file.open(path));
  const pe::PeLayout& layout = file.layout();
  ASSERT_EQ(layout.sections.size(), sectionsBefore.size() + 1);
  for (std::size_t i = 0; i < sectionsBefore.size(); ++i) {
    EXPECT_EQ(layout.sections[i].virtualAddress, sectionsBefore[i].virtualAddress);
    EXPECT_EQ(layout.sections[i].pointerToRawData, sectionsBefore[i].pointerToRawData);
  }
  EXPECT_EQ(layout.directory(pe::kResourceDirectory).virtualAddress,
            layout.sections.back().virtualAddress);
  EXPECT_EQ(overlayOf(path), overlayBefore);
  EXPECT_EQ(readResource(path, kBinary, named("QTPREF"), 1033), bytesOf("qt"));
  // One live section answers to the resource name; the replaced one keeps its bytes.
  EXPECT_EQ(sectionNames(path),
            (std::vector<std::string>{".text", ".oldrsrc", ".reloc", ".kxtail", ".rsrc"}));
  EXPECT_EQ(layout.sizeOfInitializedData, 0x200u + sectionsBefore[1].sizeOfRawData +
                                              sectionsBefore[2].sizeOfRawData +
                                              layout.sections.back().sizeOfRawData);

  // A second, larger edit grows the appended section instead of adding another.
  Edited again = edit(path, std::string(20000, 'z'));
  EXPECT_EQ(again.placement, Placement::kGrow);
  pe::PeResourceFile reread;
  ASSERT_TRUE(reread.open(path));
  EXPECT_EQ(reread.layout().sections.size(), sectionsBefore.size() + 1);
  EXPECT_EQ(overlayOf(path), overlayBefore);
}

// Growth pads to the file alignment: up to 64 KiB (what images use) it is written as zeros; past
// that a crafted alignment would pad the file by far more than the tree, and only in place is left.
TEST_P(PeEngine, GrowthPadsUpTo64KiBAlignmentsAndIsRefusedPastThem) {
  for (std::uint32_t alignment : {0x10000u, 0x20000u}) {
    SCOPED_TRACE(alignment);
    SyntheticImage image = installerImage();
    image.pe32Plus = GetParam();
    image.fileAlignment = alignment;
    image.sectionAlignment = alignment;
    image.sizeOfHeaders = alignment;
    image.sections.push_back({".kxtail", 0xC0000040, std::vector<std::uint8_t>(0x80, 0x22), false});
    writeFileBytes(path, image.build());
    std::vector<std::uint8_t> overlayBefore = overlayOf(path);
    std::vector<std::uint8_t> before = readFileBytes(path);
    ASSERT_TRUE(edit(path, "[setup]\n").committed) << "in place needs no padding";
    EXPECT_EQ(readFileBytes(path).size(), before.size());

    // Larger than the section's whole alignment, so that it cannot stay in place.
    const std::string bigger(alignment + 0x100, 'y');
    Edited result = edit(path, bigger);
    if (alignment > 0x10000) {
      EXPECT_FALSE(result.committed);
      EXPECT_NE(result.reason.find("file alignment"), std::string::npos) << result.reason;
      EXPECT_EQ(readResource(path, kBinary, kConfig, 1033), bytesOf("[setup]\n"));
      continue;
    }
    ASSERT_TRUE(result.committed) << result.reason;
    EXPECT_EQ(result.placement, Placement::kAppend);
    pe::PeResourceFile file;
    ASSERT_TRUE(file.open(path));
    const pe::SectionHeader& added = file.layout().sections.back();
    EXPECT_EQ(added.pointerToRawData % alignment, 0u);
    EXPECT_EQ(added.sizeOfRawData, 2 * alignment);
    EXPECT_EQ((file.layout().fileSize - before.size()) % alignment, 0u);
    EXPECT_EQ(overlayOf(path), overlayBefore);
    EXPECT_EQ(readResource(path, kBinary, kConfig, 1033), bytesOf(bigger));
    // The padding behind the tree is zeros, and the checksum counts the file as written.
    std::vector<std::uint8_t> after = readFileBytes(path);
    const std::uint32_t treeSize = file.layout().directory(pe::kResourceDirectory).size;
    EXPECT_TRUE(std::all_of(after.begin() + added.pointerToRawData + treeSize,
                            after.begin() + added.pointerToRawData + added.sizeOfRawData,
                            [](std::uint8_t b) { return b == 0; }));
    std::memset(&after[file.layout().checkSumOffset()], 0, 4);
    pe::PeChecksum sum;
    sum.add(after.data(), after.size());
    EXPECT_EQ(file.layout().checkSum, sum.finish(after.size()));
  }
}

// The loader patches every relocated field and the program uses every relocated address: a
// section that such a field lies in or points into, or that holds code, keeps its address, and a
// tree that outgrows its slot goes to a new section instead.
TEST_P(PeEngine, SectionsThatAnythingRefersIntoNeverMove) {
  struct Case {
    const char* what;
    std::uint32_t characteristics;
    SyntheticFixup fixup;
    int directory;
    const char* reason;
  };
  // .text 0x1000, .rsrc 0x2000, .init 0x3000, .reloc 0x4000, then .pdata when the case names
  // one; .text's fixups point into .text.
  const Case cases[] = {
      {"discardable code", 0x62000020, {0x1010, 0x1000}, -1, "holds code"},
      {"a patched field in it", 0x42000040, {0x3008, 0x1000}, -1, "relocation patches"},
      {"a relocated address into it", 0x42000040, {0x1030, 0x3010}, -1, "relocated address"},
      {"an exception entry into it", 0x42000040, {0x1010, 0x1000}, 3, "exception entry"},
      {"an import directory in it", 0x42000040, {0x1010, 0x1000}, 1, "data directory 1"},
  };
  for (const Case& c : cases) {
    SyntheticImage image = installerImage();
    image.pe32Plus = GetParam();
    image.sections.insert(image.sections.begin() + 2,
                          {".init", c.characteristics, std::vector<std::uint8_t>(0x100, 0xCC)});
    image.fixups.push_back(c.fixup);
    if (c.directory == 1) image.sections[2].directory = 1;
    if (c.directory == 3) {
      if (!GetParam()) continue;  // only the x64 exception table has this shape
      // One function entry in .text's bytes whose unwind data lies in .init.
      pe::putU32(&image.sections[0].data[0x200], 0x1000);
      pe::putU32(&image.sections[0].data[0x204], 0x1040);
      pe::putU32(&image.sections[0].data[0x208], 0x3020);
    }
    ASSERT_EQ(image.addresses()[2], 0x3000u);
    std::vector<std::uint8_t> bytes = image.build();
    if (c.directory == 3) {
      std::uint32_t exceptions = 0x80 + 24 + 112 + 8 * 3;
      pe::putU32(&bytes[exceptions], 0x1200);
      pe::putU32(&bytes[exceptions + 4], 12);
    }
    writeFileBytes(path, bytes);
    std::vector<pe::SectionHeader> before = sectionsOf(path);
    std::vector<std::uint8_t> overlayBefore = overlayOf(path);

    Edited result = edit(path, std::string(9000, 'm'));
    ASSERT_TRUE(result.committed) << c.what;
    EXPECT_EQ(result.placement, Placement::kAppend) << c.what;
    EXPECT_NE(result.reason.find(c.reason), std::string::npos) << c.what << ": " << result.reason;
    std::vector<pe::SectionHeader> after = sectionsOf(path);
    ASSERT_EQ(after.size(), before.size() + 1) << c.what;
    for (std::size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(after[i].virtualAddress, before[i].virtualAddress) << c.what << " " << i;
      EXPECT_EQ(rawDataOf(path, after[i]),
                std::vector<std::uint8_t>(
                    bytes.begin() + before[i].pointerToRawData,
                    bytes.begin() + before[i].pointerToRawData + before[i].sizeOfRawData))
          << c.what << " " << i;
    }
    EXPECT_EQ(overlayOf(path), overlayBefore) << c.what;
    EXPECT_EQ(readResource(path, kBinary, kConfig, 1033), bytesOf(std::string(9000, 'm')));
  }
}

TEST_P(PeEngine, TheTreeIsNeverWrittenOverRelocatedBytesOrAnotherSectionsRawData) {
  for (int overlapping = 0; overlapping < 2; ++overlapping) {
    SyntheticImage image = installerImage();
    image.pe32Plus = GetParam();
    image.sections.push_back({".data", 0xC0000040, std::vector<std::uint8_t>(0x100, 0x22)});
    if (!overlapping) image.fixups.push_back({0x2008, 0x1000});  // a field inside the resources
    std::vector<std::uint8_t> bytes = image.build();
    if (overlapping) {
      // A crafted but loadable layout: .data's raw data is the resource section's.
      std::uint32_t table = 0x80 + 24 + (image.pe32Plus ? 240 : 224);
      std::uint32_t resourcesRaw = 0;
      pe::readU32(bytes, table + 40 + 20, resourcesRaw);
      pe::putU32(&bytes[table + 120 + 20], resourcesRaw);
    }
    writeFileBytes(path, bytes);
    std::vector<pe::SectionHeader> before = sectionsOf(path);
    ASSERT_EQ(before.size(), 4u);
    std::vector<std::uint8_t> resourceBytes = rawDataOf(path, before[1]);

    Edited result = edit(path, "[setup]\ninstallmode=2\n");
    ASSERT_TRUE(result.committed) << overlapping;
    EXPECT_EQ(result.placement, Placement::kAppend) << overlapping << ": " << result.reason;
    std::vector<pe::SectionHeader> after = sectionsOf(path);
    ASSERT_EQ(after.size(), 5u);
    EXPECT_EQ(rawDataOf(path, after[1]), resourceBytes) << overlapping;
    EXPECT_EQ(rawDataOf(path, after[3]),
              rawDataOf(path, before[3]).size() == 0
                  ? std::vector<std::uint8_t>{}
                  : std::vector<std::uint8_t>(
                        bytes.begin() + before[3].pointerToRawData,
                        bytes.begin() + before[3].pointerToRawData + before[3].sizeOfRawData));
    EXPECT_EQ(readResource(path, kBinary, kConfig, 1033), bytesOf("[setup]\ninstallmode=2\n"));
  }
}

TEST_P(PeEngine, AnOverlayAfterUnalignedRawDataMovesByWholeFileAlignments) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  image.checksum = false;
  image.sections.push_back({".kxtail", 0xC0000040, std::vector<std::uint8_t>(0x80, 0x22)});
  std::vector<std::uint8_t> bytes = image.build();
  // The last section's raw size stops short of its alignment, so the overlay starts unaligned.
  std::uint32_t table = 0x80 + 24 + (image.pe32Plus ? 240 : 224);
  pe::putU32(&bytes[table + 120 + 16], 0x90);
  writeFileBytes(path, bytes);
  std::vector<std::uint8_t> overlayBefore = overlayOf(path);
  ASSERT_FALSE(overlayBefore.empty());
  std::string marker(image.overlay.begin(), image.overlay.end());
  std::string text(bytes.begin(), bytes.end());
  std::size_t markerBefore = text.find(marker);

  Edited result = edit(path, std::string(9000, 'u'));
  ASSERT_TRUE(result.committed);
  EXPECT_EQ(result.placement, Placement::kAppend);
  std::vector<std::uint8_t> after = readFileBytes(path);
  std::size_t markerAfter = std::string(after.begin(), after.end()).find(marker);
  ASSERT_NE(markerAfter, std::string::npos);
  EXPECT_EQ((markerAfter - markerBefore) % 0x200, 0u);
  EXPECT_EQ(readResource(path, kBinary, kConfig, 1033), bytesOf(std::string(9000, 'u')));
}

TEST_P(PeEngine, TreesWithNamedLanguageEntriesAreWrittenAndVerified) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  pe::ResourceEntry namedLanguage;
  namedLanguage.id = named("NEUTRAL");
  namedLanguage.leaf = std::make_unique<pe::ResourceLeaf>();
  namedLanguage.leaf->data = bytesOf("named language");
  namedLanguage.leaf->loaded = true;
  std::vector<pe::ResourceEntry>& languages = languageEntries(image.tree, kBinary, named("QTPREF"));
  languages.insert(languages.begin(), std::move(namedLanguage));
  writeFileBytes(path, image.build());
  for (std::size_t size : {40u, 9000u}) {
    Edited result = edit(path, std::string(size, 'n'));
    EXPECT_TRUE(result.committed) << size << ": " << result.reason;
    pe::PeResourceFile file;
    ASSERT_TRUE(file.open(path));
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(
        file.readLeaf(*languageEntries(file.tree(), kBinary, named("QTPREF"))[0].leaf, data));
    EXPECT_EQ(data, bytesOf("named language"));
    EXPECT_EQ(readResource(path, kBinary, kConfig, 1033), bytesOf(std::string(size, 'n')));
  }
}

TEST_P(PeEngine, RefusesWhenNothingCanTakeTheTreeAndLeavesTheFile) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  image.sections.push_back({".kxtail", 0xC0000040, std::vector<std::uint8_t>(0x80, 0x22), false});
  // No room for another section header: the table reaches the end of the headers.
  image.sizeOfHeaders = 0x80 + 24 + (GetParam() ? 240 : 224) + 40 * 4;
  image.fileAlignment = 0x10;
  image.sectionAlignment = 0x1000;
  writeFileBytes(path, image.build());
  std::vector<std::uint8_t> before = readFileBytes(path);
  Edited result = edit(path, std::string(9000, 'y'));
  EXPECT_FALSE(result.committed);
  EXPECT_EQ(result.placement, Placement::kRefused);
  EXPECT_EQ(readFileBytes(path), before);
}

TEST_P(PeEngine, RemovesTheCertificateTableAndRecomputesTheChecksum) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  image.certificate = std::vector<std::uint8_t>(0x200, 0x5A);
  writeFileBytes(path, image.build());
  std::vector<std::uint8_t> before = readFileBytes(path);
  std::vector<std::uint8_t> overlayBefore = overlayOf(path);

  ASSERT_TRUE(edit(path, "small").committed);
  std::vector<std::uint8_t> after = readFileBytes(path);
  pe::PeResourceFile file;
  ASSERT_TRUE(file.open(path));
  pe::DataDirectory certificate = file.layout().directory(pe::kSecurityDirectory);
  EXPECT_EQ(certificate.virtualAddress, 0u);
  EXPECT_EQ(certificate.size, 0u);
  EXPECT_EQ(after.size(), before.size() - 0x200);
  EXPECT_EQ(overlayOf(path), overlayBefore);
  // The stored checksum is the one the bytes give with the field read as zero.
  std::vector<std::uint8_t> zeroed = after;
  std::memset(&zeroed[file.layout().checkSumOffset()], 0, 4);
  pe::PeChecksum sum;
  sum.add(zeroed.data(), zeroed.size());
  EXPECT_EQ(file.layout().checkSum, sum.finish(zeroed.size()));
  EXPECT_NE(file.layout().checkSum, 0u);
}

TEST_P(PeEngine, LeavesAZeroChecksumZero) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  image.checksum = false;
  writeFileBytes(path, image.build());
  ASSERT_TRUE(edit(path, std::string(9000, 'q')).committed);
  pe::PeResourceFile file;
  ASSERT_TRUE(file.open(path));
  EXPECT_EQ(file.layout().checkSum, 0u);
}

TEST_P(PeEngine, AddsNewEntriesAtTheirSortedPlaceKeepingTheOthersInOrder) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  writeFileBytes(path, image.build());
  pe::ResourceUpdateBatch batch;
  ASSERT_TRUE(batch.begin(path));
  batch.update(named("Binary"), named("Alpha"), 1033, bytesOf("a"));
  batch.update(ResourceId::integer(6), ResourceId::integer(19), 1031, bytesOf("s"));
  batch.update(kBinary, named("DUAL"), 1032, bytesOf("greek"));
  ASSERT_TRUE(batch.end(false));

  pe::PeResourceFile file;
  ASSERT_TRUE(file.open(path));
  std::vector<std::string> order;
  file.tree().forEachLeaf([&](const ResourceId& type, const ResourceId& name,
                              const ResourceId& language, const pe::ResourceLeaf&) {
    auto text = [](const ResourceId& id) {
      return id.named ? std::string(id.name.begin(), id.name.end()) : std::to_string(id.id);
    };
    order.push_back(text(type) + "/" + text(name) + "/" + text(language));
  });
  EXPECT_EQ(order,
            (std::vector<std::string>{"BINARY/ALPHA/1033", "BINARY/DUAL/1031", "BINARY/DUAL/1032",
                                      "BINARY/DUAL/1033", "BINARY/KXECONFIG/1033",
                                      "BINARY/QTPREF/1033", "6/19/1031", "10/1/1033"}));
}

TEST_P(PeEngine, DiscardAndUnchangedBatchesLeaveTheFileByteForByte) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  image.certificate = std::vector<std::uint8_t>(0x40, 0x5A);
  writeFileBytes(path, image.build());
  std::vector<std::uint8_t> before = readFileBytes(path);
  pe::ResourceUpdateBatch discarded;
  ASSERT_TRUE(discarded.begin(path));
  discarded.update(kBinary, kConfig, 1033, bytesOf("never written"));
  EXPECT_TRUE(discarded.end(true));
  EXPECT_EQ(readFileBytes(path), before);
  pe::ResourceUpdateBatch unchanged;
  ASSERT_TRUE(unchanged.begin(path));
  EXPECT_TRUE(unchanged.end(false));
  EXPECT_EQ(readFileBytes(path), before);
}

TEST_P(PeEngine, KeepsDirectoryHeaderFieldsAndCodePages) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  image.tree.root.timeDateStamp = 0x12345678;
  image.tree.root.majorVersion = 4;
  image.tree.root.entries[0].directory->characteristics = 7;
  image.tree.forEachLeaf([](pe::ResourceLeaf& leaf) { leaf.codePage = 1252; });
  writeFileBytes(path, image.build());
  ASSERT_TRUE(edit(path, std::string(9000, 'k')).committed);
  pe::PeResourceFile file;
  ASSERT_TRUE(file.open(path));
  EXPECT_EQ(file.tree().root.timeDateStamp, 0x12345678u);
  EXPECT_EQ(file.tree().root.majorVersion, 4);
  EXPECT_EQ(file.tree().root.entries[0].directory->characteristics, 7u);
  int leaves = 0;
  file.tree().forEachLeaf([&](pe::ResourceLeaf& leaf) {
    ++leaves;
    EXPECT_EQ(leaf.codePage, 1252u);
  });
  EXPECT_EQ(leaves, 5);
}

// The loader binary-searches named entries in upper-cased order, so a new name must go where that
// order puts it, whatever case the names already there are stored in.
TEST_P(PeEngine, NewNamesGoWhereTheLoadersUpperCasedOrderPutsThem) {
  SyntheticImage image = installerImage();
  image.pe32Plus = GetParam();
  // Stored as a crafted file may hold them: lower case, which sorts after "_" and "B" by code unit
  // but before them once upper-cased.
  for (const char16_t* stored : {u"ab", u"abc", u"\u0436\u0443\u043a"}) {
    addResource(image.tree, ResourceId::text(stored), ResourceId::integer(1), 1033, "x");
    for (pe::ResourceEntry& entry : image.tree.root.entries)
      if (ResourceId::text(stored).matches(entry.id)) entry.id.name = stored;
  }
  writeFileBytes(path, image.build());
  pe::ResourceUpdateBatch batch;
  ASSERT_TRUE(batch.begin(path));
  for (const char16_t* added : {u"_", u"B", u"\u0436\u0430\u0431\u0430", u"AB_", u"\u00ff"})
    batch.update(ResourceId::text(added), ResourceId::integer(1), 1033, bytesOf("y"));
  ASSERT_TRUE(batch.end(false));

  pe::PeResourceFile file;
  ASSERT_TRUE(file.open(path));
  std::vector<std::u16string> types;
  for (const pe::ResourceEntry& entry : file.tree().root.entries)
    if (entry.id.named) types.push_back(entry.id.name);
  EXPECT_EQ(types,
            (std::vector<std::u16string>{u"ab", u"abc", u"AB_", u"B", u"BINARY", u"_", u"\u0178",
                                         u"\u0416\u0410\u0411\u0410", u"\u0436\u0443\u043a"}));
  EXPECT_TRUE(
      file.exists(ResourceId::text(u"\u0436\u0430\u0431\u0430"), ResourceId::integer(1), 1033));
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeEngine, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Pe32Plus" : "Pe32";
                         });

}  // namespace

namespace {

// The checksum as the platform defines it: fold the carry back after every 16-bit word.
std::uint32_t referenceChecksum(const std::vector<std::uint8_t>& bytes) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    std::uint32_t word = bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return sum + static_cast<std::uint32_t>(bytes.size());
}

TEST(ResourceNames, UpperCaseAsThePlatformDoesAcrossThePlane) {
  const std::pair<char16_t, char16_t> cases[] = {
      {u'a', u'A'},
      {u'z', u'Z'},
      {u'_', u'_'},
      {u'\u00e9', u'\u00c9'},
      {u'\u00ff', u'\u0178'},
      {u'\u0101', u'\u0100'},
      {u'\u0180', u'\u0243'},
      {u'\u03b1', u'\u0391'},
      {u'\u0436', u'\u0416'},
      {u'\u0561', u'\u0531'},
      {u'\u10d0', u'\u1c90'},
      {u'\u1f00', u'\u1f08'},
      {u'\u24d0', u'\u24b6'},
      {u'\u2c30', u'\u2c00'},
      {u'\ua641', u'\ua640'},
      {u'\uff41', u'\uff21'},
      {u'\u0416', u'\u0416'},
      {u'\u4e2d', u'\u4e2d'},
      // Letters whose capital does not lead back to them keep their form: micro sign, dotless i,
      // long s, title-case digraph, final sigma.
      {u'\u00b5', u'\u00b5'},
      {u'\u0131', u'\u0131'},
      {u'\u017f', u'\u017f'},
      {u'\u01c5', u'\u01c5'},
      {u'\u03c2', u'\u03c2'},
      {char16_t{0xd801}, char16_t{0xd801}},
  };
  for (const auto& [unit, upper] : cases)
    EXPECT_EQ(static_cast<int>(pe::upperCaseUnit(unit)), static_cast<int>(upper))
        << std::hex << static_cast<int>(unit);
}

TEST(PeChecksum, AgreesWithTheWordByWordDefinitionWhateverTheChunks) {
  std::uint32_t state = 12345;
  for (std::size_t size : {0u, 1u, 2u, 3u, 7u, 4096u, 70001u}) {
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& byte : bytes)
      byte = static_cast<std::uint8_t>((state = state * 1103515245u + 12345u) >> 16);
    if (size == 4096) std::fill(bytes.begin(), bytes.end(), 0xFF);  // sums that fold to 0xFFFF
    for (std::size_t step : {1u, 2u, 3u, 5u, 4096u}) {
      pe::PeChecksum sum;
      for (std::size_t at = 0; at < size; at += step)
        sum.add(bytes.data() + at, std::min(step, size - at));
      EXPECT_EQ(sum.finish(size), referenceChecksum(bytes)) << size << " in steps of " << step;
    }
  }
}

TEST(PeChecksum, AdjustingForReplacedAndMovedBytesEqualsAddingUpTheNewFile) {
  using pe::ChecksumResidue;
  std::uint32_t state = 777;
  for (std::uint8_t fill : {0x00, 0xFF}) {  // 0xFF everywhere: sums that fold to 0xFFFF
    for (std::size_t size : {2u, 9u, 4097u, 70001u}) {
      std::vector<std::uint8_t> old(size, fill);
      if (fill == 0)
        for (std::uint8_t& byte : old)
          byte = static_cast<std::uint8_t>((state = state * 1103515245u + 12345u) >> 16);
      old[0] = 'M';
      const std::uint32_t whole = ChecksumResidue::of(old.data(), size, 0);
      ASSERT_EQ(ChecksumResidue::checksum(whole, size), referenceChecksum(old)) << size;
      // The new file: a replaced head of another length, the old bytes from `cut` on moved by
      // odd and even amounts, and the old head's terms taken out of the old file's sum.
      for (std::size_t cut : {std::size_t{1}, size / 2, size - 1}) {
        for (std::size_t headLength : {cut, cut + 1, cut + 2, cut + 7}) {
          std::vector<std::uint8_t> fresh(headLength, static_cast<std::uint8_t>(0xA5 ^ fill));
          fresh[0] = 'M';
          fresh.insert(fresh.end(), old.begin() + static_cast<std::ptrdiff_t>(cut), old.end());
          const std::uint32_t kept =
              ChecksumResidue::minus(whole, ChecksumResidue::of(old.data(), cut, 0));
          const std::uint32_t adjusted =
              ChecksumResidue::plus(ChecksumResidue::of(fresh.data(), headLength, 0),
                                    ChecksumResidue::moved(kept, headLength - cut));
          EXPECT_EQ(ChecksumResidue::checksum(adjusted, fresh.size()), referenceChecksum(fresh))
              << size << " cut at " << cut << " behind " << headLength;
          // A range counted where it lies in the new file gives the same terms as moving it.
          EXPECT_EQ(ChecksumResidue::of(fresh.data() + headLength, size - cut, headLength),
                    ChecksumResidue::moved(kept, headLength - cut));
        }
      }
    }
  }
}

TEST(PeUpdate, WritingTheBytesAResourceHoldsLeavesTheFileAndItsSignature) {
  ScratchFolder folder;
  std::string path = folder.file("signed.exe");
  SyntheticImage image = SyntheticImage::usual();
  addResource(image.tree, named("BINARY"), named("KXECONFIG"), 1033, "same");
  image.certificate = std::vector<std::uint8_t>(0x40, 0x5A);
  writeFileBytes(path, image.build());
  std::vector<std::uint8_t> before = readFileBytes(path);
  pe::ResourceUpdateBatch batch;
  ASSERT_TRUE(batch.begin(path));
  batch.update(named("BINARY"), named("KXECONFIG"), 1033, bytesOf("same"));
  EXPECT_TRUE(batch.end(false));
  EXPECT_EQ(readFileBytes(path), before);
}

}  // namespace
