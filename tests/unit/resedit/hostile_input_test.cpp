// Files that are damaged or built to mislead: each must be refused without a crash, without
// unbounded memory and without a single byte of it changed.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "base/path_name.h"
#include "base/shared_string.h"
#include "resedit/installer_configuration.h"
#include "resedit/pe/byte_order.h"
#include "resedit/pe/pe_resource_file.h"
#include "resedit/pe/resource_update_batch.h"
#include "resedit/resource_updates.h"
#include "synthetic_image.h"

namespace {

using pe::ResourceId;

const ResourceId kBinary = named("BINARY");
const ResourceId kConfig = named("KXECONFIG");

std::vector<std::uint8_t> installerBytes() {
  SyntheticImage image = SyntheticImage::usual();
  addResource(image.tree, kBinary, kConfig, 1033, "[setup]\ninstallmode=1\n");
  addResource(image.tree, kBinary, named("QTPREF"), 1033, "qt");
  image.tree.put(ResourceId::integer(6), ResourceId::integer(19), 1031,
                 std::vector<std::uint8_t>(38, 0));
  image.overlay = bytesOf("payload");
  image.certificate = std::vector<std::uint8_t>(64, 0x30);
  return image.build();
}

// Where the resource directory starts in the file built by installerBytes().
std::size_t resourceOffset(const std::vector<std::uint8_t>& bytes) {
  std::uint32_t peOffset = 0;
  pe::readU32(bytes, 60, peOffset);
  std::uint32_t pointer = 0;
  pe::readU32(bytes, peOffset + 24 + 240 + 40 + 20, pointer);  // second section's PointerToRawData
  return pointer;
}

class HostileInput : public ::testing::Test {
 protected:
  // Runs every entry point on the file and checks that it is refused and left as it was.
  void expectRefusedUntouched(const std::vector<std::uint8_t>& bytes, const std::string& what) {
    writeFileBytes(path, bytes);
    std::string ini = folder.file("kxenterprise.ini");
    EXPECT_FALSE(importInstallerConfiguration(PathName(path.c_str()), PathName(ini.c_str())))
        << what;
    EXPECT_FALSE(std::filesystem::exists(ini)) << what;
    exercise();
    EXPECT_EQ(readFileBytes(path), bytes) << what;
  }

  void exercise() {
    PathName file(path.c_str());
    replaceResource(file, reinterpret_cast<const unsigned char*>("new"), 3,
                    SharedString("KXECONFIG"), SharedString("BINARY"), AnyLanguage, 0, 0);
    replaceResource(file, reinterpret_cast<const unsigned char*>("new"), 3, SharedString("OTHER"),
                    SharedString("BINARY"), 1033, 0, 1);
    replaceStringTableEntry(file, 300, SharedString(" /p"), AnyLanguage, 0, 0);
    importInstallerConfiguration(file, PathName(folder.file("kxenterprise.ini").c_str()));
  }

  ScratchFolder folder;
  std::string path = folder.file("installer.exe");
};

TEST_F(HostileInput, TruncatedFilesAreRefused) {
  std::vector<std::uint8_t> whole = installerBytes();
  pe::PeResourceFile reference;
  writeFileBytes(path, whole);
  ASSERT_TRUE(reference.open(path));
  std::uint64_t sectionsEnd = reference.layout().endOfSectionData();
  reference.file().close();
  for (std::size_t length = 0; length < sectionsEnd; length += 97) {
    expectRefusedUntouched(std::vector<std::uint8_t>(
                               whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)),
                           "truncated to " + std::to_string(length));
  }
}

TEST_F(HostileInput, MisleadingResourceDirectoriesAreRefused) {
  std::vector<std::uint8_t> whole = installerBytes();
  std::size_t root = resourceOffset(whole);
  auto patched = [&](std::size_t at, std::uint32_t value) {
    std::vector<std::uint8_t> bytes = whole;
    pe::putU32(&bytes[at], value);
    return bytes;
  };
  // Root entry 0 (BINARY) pointing back at the root: a loop.
  expectRefusedUntouched(patched(root + 16 + 4, 0x80000000), "loop to the root");
  // Absurd entry counts, far beyond the section.
  expectRefusedUntouched(patched(root + 12, 0xFFFFFFFF), "absurd counts");
  // A subdirectory and a name outside the section.
  expectRefusedUntouched(patched(root + 16 + 4, 0x80FFFFF0), "subdirectory outside");
  expectRefusedUntouched(patched(root + 16, 0x80FFFFF0), "name outside");
}

// Directory tables that overlap each other can make a small region describe far more entries than
// it holds bytes for (each 8-byte step of one pattern is the start of another directory), which
// would let a small file take memory without bound. A sound tree never overlaps itself.
TEST(HostileResourceTree, OverlappingDirectoriesThatClaimMoreThanTheRegionHoldsAreRefused) {
  constexpr std::uint32_t kDirectories = 8000;
  constexpr std::uint32_t kLanguages = 2;  // entries of each overlapping language directory
  constexpr std::uint32_t kDataEntry = kLanguages << 16;
  std::vector<std::uint8_t> region(kDataEntry + 0x100, 0);
  // The root holds one type, whose directory lists kDirectories names.
  pe::putU16(&region[14], 1);
  pe::putU32(&region[16], 1);
  pe::putU32(&region[20], 0x80000000u | 24);
  pe::putU16(&region[24 + 14], static_cast<std::uint16_t>(kDirectories));
  std::uint32_t languages = 24 + 16 + 8 * kDirectories;
  for (std::uint32_t i = 0; i < kDirectories; ++i) {
    pe::putU32(&region[24 + 16 + 8 * i], i);
    pe::putU32(&region[24 + 16 + 8 * i + 4], 0x80000000u | (languages + 8 * i));
  }
  // Each 8-byte unit reads as (id 0, data entry kDataEntry); from any of them on, a directory
  // header follows whose id count is the upper half of kDataEntry.
  for (std::uint32_t at = languages; at + 8 <= kDataEntry; at += 8)
    pe::putU32(&region[at + 4], kDataEntry);
  pe::ResourceTree tree;
  EXPECT_FALSE(tree.parse(region));
  EXPECT_TRUE(tree.root.entries.empty());
}

// Every entry that names one long name takes its own copy of it.
TEST(HostileResourceTree, ManyEntriesSharingOneLongNameAreRefused) {
  constexpr std::uint32_t kNames = 200;
  constexpr std::uint32_t kNameLength = 1000;
  constexpr std::uint32_t kNamesTable = 24;
  constexpr std::uint32_t kLanguages = kNamesTable + 16 + 8 * kNames;
  constexpr std::uint32_t kName = kLanguages + 16 * kNames;
  std::vector<std::uint8_t> region(kName + 2 + 2 * kNameLength, 0);
  pe::putU16(&region[14], 1);
  pe::putU32(&region[16], 10);
  pe::putU32(&region[20], 0x80000000u | kNamesTable);
  pe::putU16(&region[kNamesTable + 12], static_cast<std::uint16_t>(kNames));
  for (std::uint32_t i = 0; i < kNames; ++i) {
    // Each name has an empty language directory of its own.
    pe::putU32(&region[kNamesTable + 16 + 8 * i], 0x80000000u | kName);
    pe::putU32(&region[kNamesTable + 16 + 8 * i + 4], 0x80000000u | (kLanguages + 16 * i));
  }
  pe::putU16(&region[kName], static_cast<std::uint16_t>(kNameLength));
  for (std::uint32_t k = 0; k < kNameLength; ++k) pe::putU16(&region[kName + 2 + 2 * k], u'N');
  pe::ResourceTree tree;
  EXPECT_FALSE(tree.parse(region));
  // The same tables with one name each are sound.
  pe::putU16(&region[kNamesTable + 12], 1);
  EXPECT_TRUE(tree.parse(region));
}

TEST_F(HostileInput, DataWithoutBytesBehindItIsRefused) {
  std::vector<std::uint8_t> whole = installerBytes();
  writeFileBytes(path, whole);
  pe::PeResourceFile file;
  ASSERT_TRUE(file.open(path));
  const pe::SectionHeader& resources = file.layout().sections[1];
  std::uint32_t resourceRva = resources.virtualAddress;
  // Find the KXECONFIG data entry by its RVA and point it elsewhere.
  const pe::ResourceLeaf* leaf = file.tree().find(kBinary, kConfig, 1033);
  ASSERT_NE(leaf, nullptr);
  std::uint32_t dataRva = leaf->dataRva;
  file.file().close();
  std::size_t base = resourceOffset(whole);
  std::size_t entry = 0;
  for (std::size_t at = base; at + 4 <= whole.size(); at += 4) {
    std::uint32_t value = 0;
    pe::readU32(whole, at, value);
    if (value == dataRva) {
      entry = at;
      break;
    }
  }
  ASSERT_NE(entry, 0u);
  auto patched = [&](std::size_t at, std::uint32_t value) {
    std::vector<std::uint8_t> bytes = whole;
    pe::putU32(&bytes[at], value);
    return bytes;
  };
  // Inside the section's address range but past its raw data, as in a packed executable.
  expectRefusedUntouched(patched(entry, resourceRva + 0x0FF0), "data past the raw bytes");
  // An address in no section at all, and a size no file has.
  expectRefusedUntouched(patched(entry, 0x7FFF0000), "data outside every section");
  expectRefusedUntouched(patched(entry + 4, 0xFFFFFFF0), "absurd data size");
}

TEST_F(HostileInput, BrokenHeadersAreRefused) {
  std::vector<std::uint8_t> whole = installerBytes();
  std::uint32_t peOffset = 0x80;
  auto patched16 = [&](std::size_t at, std::uint16_t value) {
    std::vector<std::uint8_t> bytes = whole;
    pe::putU16(&bytes[at], value);
    return bytes;
  };
  auto patched32 = [&](std::size_t at, std::uint32_t value) {
    std::vector<std::uint8_t> bytes = whole;
    pe::putU32(&bytes[at], value);
    return bytes;
  };
  expectRefusedUntouched(patched32(60, 0xFFFFFFF0), "e_lfanew beyond the file");
  expectRefusedUntouched(patched16(peOffset + 6, 0xFFFF), "65535 sections");
  expectRefusedUntouched(patched16(peOffset + 6, 0), "no sections");
  expectRefusedUntouched(patched16(peOffset + 20, 8), "optional header too small");
  expectRefusedUntouched(patched16(peOffset + 24, 0x107), "unknown optional header magic");
  expectRefusedUntouched(patched32(peOffset + 24 + 36, 0), "file alignment 0");
  expectRefusedUntouched(patched32(peOffset + 24 + 36, 0x300), "file alignment not a power of two");
  // The resource directory's address in no section.
  expectRefusedUntouched(patched32(peOffset + 24 + 112 + 16, 0x00FF0000),
                         "resource directory nowhere");
  // A section whose raw data runs past the end of the file.
  expectRefusedUntouched(patched32(peOffset + 24 + 240 + 40 * 2 + 16, 0x100000),
                         "section past the end");
}

TEST_F(HostileInput, RandomDamageNeverCrashesAndOnlyEverYieldsSoundFiles) {
  std::vector<std::uint8_t> whole = installerBytes();
  std::size_t interesting = resourceOffset(whole) + 0x200;
  std::mt19937 random(20240611);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::uint8_t> bytes = whole;
    int flips = 1 + static_cast<int>(random() % 8);
    for (int k = 0; k < flips; ++k)
      bytes[random() % interesting] = static_cast<std::uint8_t>(random());
    writeFileBytes(path, bytes);
    exercise();
    std::vector<std::uint8_t> after = readFileBytes(path);
    if (after == bytes) continue;
    // Whatever was written must read back as a PE file holding the new data.
    pe::PeResourceFile file;
    ASSERT_TRUE(file.open(path)) << "round " << round;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(file.loadAllLeaves()) << "round " << round;
  }
}

}  // namespace
