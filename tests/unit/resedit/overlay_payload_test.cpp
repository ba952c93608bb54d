// Self-extractor payloads in the overlay stay valid when an edit moves the overlay or changes the
// bytes their integrity check covers. Offsets and CRCs are checked here by parsers and zlib's
// crc32, not by the engine's own code.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "resedit/pe/byte_order.h"
#include "resedit/pe/pe_resource_file.h"
#include "resedit/pe/resource_update_batch.h"
#include "synthetic_image.h"

namespace {

using pe::Placement;
using pe::ResourceId;

const ResourceId kBinary = named("BINARY");
const ResourceId kConfig = named("KXECONFIG");

// .text and .rsrc as the last section, so that a larger tree grows the section and moves the
// overlay.
SyntheticImage stubImage() {
  SyntheticImage image;
  image.sections.push_back(
      SyntheticSection{".text", 0x60000020, std::vector<std::uint8_t>(0x200, 0xC3), false});
  image.sections.push_back(SyntheticSection{".rsrc", 0x40000040, {}, true});
  addResource(image.tree, kBinary, kConfig, 1033, "[setup]\ninstallmode=1\n");
  return image;
}

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::uint64_t at) {
  std::uint32_t value = 0;
  pe::readU32(bytes, static_cast<std::size_t>(at), value);
  return value;
}
std::uint64_t u64At(const std::vector<std::uint8_t>& bytes, std::uint64_t at) {
  return u32At(bytes, at) | (static_cast<std::uint64_t>(u32At(bytes, at + 4)) << 32);
}
void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  put16(out, static_cast<std::uint16_t>(value));
  put16(out, static_cast<std::uint16_t>(value >> 16));
}
void put64(std::vector<std::uint8_t>& out, std::uint64_t value) {
  put32(out, static_cast<std::uint32_t>(value));
  put32(out, static_cast<std::uint32_t>(value >> 32));
}
void putText(std::vector<std::uint8_t>& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
}

// A ZIP archive of stored entries whose offsets count from `base`, which lies `base` bytes
// before the archive's first byte ("zip -A" on a stub of that size). With zip64 the offsets
// are held only in the ZIP64 extra field and records.
std::vector<std::uint8_t> zipArchive(std::uint64_t base, bool zip64) {
  const std::vector<std::string> names = {"a.txt", "b/c.txt"};
  std::vector<std::uint8_t> out;
  std::vector<std::uint64_t> locals;
  for (const std::string& name : names) {
    locals.push_back(base + out.size());
    const std::string data = "contents of " + name;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    putText(out, "PK\3\4");
    put16(out, 10), put16(out, 0), put16(out, 0), put32(out, 0), put32(out, crc);
    put32(out, static_cast<std::uint32_t>(data.size())),
        put32(out, static_cast<std::uint32_t>(data.size()));
    put16(out, static_cast<std::uint16_t>(name.size())), put16(out, 0);
    putText(out, name), putText(out, data);
  }
  const std::uint64_t directory = base + out.size();
  for (std::size_t i = 0; i < names.size(); ++i) {
    putText(out, "PK\1\2");
    put16(out, 20), put16(out, 10), put16(out, 0), put16(out, 0), put32(out, 0), put32(out, 0);
    put32(out, 0), put32(out, 0);
    put16(out, static_cast<std::uint16_t>(names[i].size())), put16(out, zip64 ? 12 : 0);
    put16(out, 0), put16(out, 0), put16(out, 0), put32(out, 0);
    put32(out, zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(locals[i]));
    putText(out, names[i]);
    if (zip64) put16(out, 1), put16(out, 8), put64(out, locals[i]);
  }
  const std::uint64_t directorySize = base + out.size() - directory;
  if (zip64) {
    const std::uint64_t record = base + out.size();
    putText(out, "PK\6\6");
    put64(out, 44), put16(out, 45), put16(out, 45), put32(out, 0), put32(out, 0);
    put64(out, names.size()), put64(out, names.size()), put64(out, directorySize),
        put64(out, directory);
    putText(out, "PK\6\7");
    put32(out, 0), put64(out, record), put32(out, 1);
  }
  putText(out, "PK\5\6");
  put16(out, 0), put16(out, 0);
  put16(out, zip64 ? 0xFFFF : 2), put16(out, zip64 ? 0xFFFF : 2);
  put32(out, zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(directorySize));
  put32(out, zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(directory));
  put16(out, 3), putText(out, "sfx");
  return out;
}

// The names of the entries whose local headers are where the central directory says, reading
// offsets as file offsets (what a self-extractor does after "zip -A").
std::vector<std::string> entriesFoundAtTheirOffsets(const std::vector<std::uint8_t>& file) {
  std::vector<std::string> found;
  std::size_t eocd = file.size() - 25;
  if (std::memcmp(&file[eocd], "PK\5\6", 4) != 0) return found;
  std::uint64_t directory = u32At(file, eocd + 16);
  if (directory == 0xFFFFFFFF) directory = u64At(file, u64At(file, eocd - 20 + 8) + 48);
  for (int i = 0; i < 2 && directory + 46 < file.size(); ++i) {
    if (std::memcmp(&file[directory], "PK\1\2", 4) != 0) break;
    const std::uint16_t nameLength =
        static_cast<std::uint16_t>(file[directory + 28] | file[directory + 29] << 8);
    const std::uint16_t extraLength =
        static_cast<std::uint16_t>(file[directory + 30] | file[directory + 31] << 8);
    std::uint64_t local = u32At(file, directory + 42);
    if (local == 0xFFFFFFFF) local = u64At(file, directory + 46 + nameLength + 4);
    const std::string name(file.begin() + static_cast<std::ptrdiff_t>(directory + 46),
                           file.begin() + static_cast<std::ptrdiff_t>(directory + 46 + nameLength));
    if (local + 30 + nameLength <= file.size() && std::memcmp(&file[local], "PK\3\4", 4) == 0 &&
        std::memcmp(&file[local + 30], name.data(), nameLength) == 0)
      found.push_back(name);
    directory += 46 + nameLength + extraLength;
  }
  return found;
}

struct Edit {
  Placement placement = Placement::kRefused;
  int committed = 0;
  std::string reason;
};

Edit editConfig(const std::string& path, std::size_t size) {
  pe::ResourceUpdateBatch batch;
  Edit result;
  if (!batch.begin(path)) return result;
  batch.update(kBinary, kConfig, 1033, std::vector<std::uint8_t>(size, 'k'));
  result.placement = batch.plannedPlacement();
  result.committed = batch.end(false);
  result.reason = batch.reason();
  return result;
}

std::size_t sizeWithoutOverlay(SyntheticImage& image) {
  std::vector<std::uint8_t> overlay;
  overlay.swap(image.overlay);
  const std::size_t size = image.build().size();
  overlay.swap(image.overlay);
  return size;
}

class ZipPayload : public ::testing::TestWithParam<bool> {
 protected:
  ScratchFolder folder;
  std::string path = folder.file("sfx.exe");
};

TEST_P(ZipPayload, OffsetsFollowAMovedOverlayAsZipAdjustSetsThem) {
  SyntheticImage image = stubImage();
  image.overlay = zipArchive(0, GetParam());
  image.overlay = zipArchive(sizeWithoutOverlay(image), GetParam());
  writeFileBytes(path, image.build());
  ASSERT_EQ(entriesFoundAtTheirOffsets(readFileBytes(path)).size(), 2u);

  const Edit grown = editConfig(path, 9000);
  ASSERT_TRUE(grown.committed) << grown.reason;
  EXPECT_EQ(grown.placement, Placement::kGrow);
  const std::vector<std::uint8_t> after = readFileBytes(path);
  EXPECT_EQ(entriesFoundAtTheirOffsets(after), (std::vector<std::string>{"a.txt", "b/c.txt"}));
}

TEST_P(ZipPayload, OffsetsCountedFromTheArchiveItselfMoveWithIt) {
  SyntheticImage image = stubImage();
  image.overlay = zipArchive(0, GetParam());
  writeFileBytes(path, image.build());
  ASSERT_TRUE(editConfig(path, 9000).committed);
  const std::vector<std::uint8_t> after = readFileBytes(path);
  const std::vector<std::uint8_t> overlay(
      after.end() - static_cast<std::ptrdiff_t>(image.overlay.size()), after.end());
  EXPECT_EQ(overlay, image.overlay);
}

INSTANTIATE_TEST_SUITE_P(Zip32AndZip64, ZipPayload, ::testing::Bool());

TEST(ZipPayloadRefusal, ADamagedDirectoryRefusesAMoveWithAReasonButNotAnEditInPlace) {
  ScratchFolder folder;
  const std::string path = folder.file("damaged.exe");
  SyntheticImage image = stubImage();
  image.overlay = zipArchive(0, false);
  image.overlay = zipArchive(sizeWithoutOverlay(image), false);
  // The end record claims three entries; the directory holds two.
  image.overlay[image.overlay.size() - 25 + 10] = 3;
  image.overlay[image.overlay.size() - 25 + 8] = 3;
  writeFileBytes(path, image.build());
  const std::vector<std::uint8_t> before = readFileBytes(path);

  const Edit grown = editConfig(path, 9000);
  EXPECT_FALSE(grown.committed);
  EXPECT_EQ(grown.placement, Placement::kRefused);
  EXPECT_NE(grown.reason.find("ZIP"), std::string::npos) << grown.reason;
  EXPECT_EQ(readFileBytes(path), before);

  const Edit inPlace = editConfig(path, 40);
  EXPECT_TRUE(inPlace.committed) << inPlace.reason;
  EXPECT_EQ(inPlace.placement, Placement::kInPlace);
}

// An NSIS installer's data: its first header at a 512-byte boundary, a body, and (unless the
// check is off) a CRC of every byte from offset 512 up to the CRC itself.
std::vector<std::uint8_t> nsisData(std::uint32_t flags, bool withCrc) {
  std::vector<std::uint8_t> out;
  const std::vector<std::uint8_t> body(3000, 0x5A);
  put32(out, flags), put32(out, 0xDEADBEEF), putText(out, "NullsoftInst");
  put32(out, 100);
  put32(out, static_cast<std::uint32_t>(28 + body.size() + (withCrc ? 4 : 0)));
  out.insert(out.end(), body.begin(), body.end());
  if (withCrc) put32(out, 0);
  return out;
}

std::uint32_t nsisCrcOf(const std::vector<std::uint8_t>& file, std::uint64_t crcAt) {
  return static_cast<std::uint32_t>(crc32(0, file.data() + 512, static_cast<uInt>(crcAt - 512)));
}

class NsisPayload : public ::testing::TestWithParam<std::size_t> {};

TEST_P(NsisPayload, ItsCrcIsComputedAgainOverTheEditedFile) {
  ScratchFolder folder;
  const std::string path = folder.file("nsis.exe");
  SyntheticImage image = stubImage();
  image.checksum = false;
  image.overlay = nsisData(0, true);
  std::vector<std::uint8_t> file = image.build();
  const std::size_t crcAt = file.size() - 4;
  pe::putU32(&file[crcAt], nsisCrcOf(file, crcAt));
  writeFileBytes(path, file);

  const Edit edited = editConfig(path, GetParam());
  ASSERT_TRUE(edited.committed) << edited.reason;
  EXPECT_EQ(edited.placement, GetParam() < 100 ? Placement::kInPlace : Placement::kGrow);
  const std::vector<std::uint8_t> after = readFileBytes(path);
  EXPECT_NE(after, file);
  EXPECT_EQ(u32At(after, after.size() - 4), nsisCrcOf(after, after.size() - 4));
}

INSTANTIATE_TEST_SUITE_P(InPlaceAndGrown, NsisPayload, ::testing::Values(40, 9000));

TEST(NsisPayloadWithoutCheck, KeepsItsBytesWhenTheCheckIsOff) {
  ScratchFolder folder;
  const std::string path = folder.file("nsis.exe");
  SyntheticImage image = stubImage();
  image.overlay = nsisData(4, false);
  writeFileBytes(path, image.build());
  ASSERT_TRUE(editConfig(path, 9000).committed);
  const std::vector<std::uint8_t> after = readFileBytes(path);
  EXPECT_TRUE(std::equal(image.overlay.begin(), image.overlay.end(),
                         after.end() - static_cast<std::ptrdiff_t>(image.overlay.size())));
}

}  // namespace

namespace {

// With a FileAlignment below 512 a grown section can move the installer's data off the 512-byte
// grid on which the installer looks for it: the edit is refused with that reason.
TEST(NsisPayloadRefusal, ADataBlockThatWouldLeaveThe512ByteGridRefusesTheEdit) {
  ScratchFolder folder;
  const std::string path = folder.file("nsis.exe");
  SyntheticImage image = stubImage();
  image.fileAlignment = 0x80;
  image.checksum = false;
  const std::size_t start = sizeWithoutOverlay(image);
  image.overlay.assign(pe::alignUp(start, 512) - start, 0);
  const std::vector<std::uint8_t> data = nsisData(0, true);
  image.overlay.insert(image.overlay.end(), data.begin(), data.end());
  std::vector<std::uint8_t> file = image.build();
  pe::putU32(&file[file.size() - 4], nsisCrcOf(file, file.size() - 4));
  writeFileBytes(path, file);

  const Edit grown = editConfig(path, 1000);
  EXPECT_FALSE(grown.committed);
  EXPECT_NE(grown.reason.find("512-byte"), std::string::npos) << grown.reason;
  EXPECT_EQ(readFileBytes(path), file);
}

}  // namespace
