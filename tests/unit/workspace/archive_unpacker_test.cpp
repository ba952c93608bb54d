#include "workspace/archive_unpacker.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/unit/workspace/workspace_fixture.h"

namespace {

using ArchiveUnpackerTest = ScratchTest;

std::string under(const std::string& folder, const std::string& a, const std::string& b = "") {
  return b.empty() ? joinPath(folder, a) : joinPath(joinPath(folder, a), b);
}

TEST_F(ArchiveUnpackerTest, UnpacksFoldersAndFilesStoredOrDeflated) {
  const std::string archive = joinPath(scratch(), "site.zip");
  const std::string big(20000, 'z');
  ASSERT_TRUE(ZipBuilder()
                  .folder("cfadmin/")
                  .file("cfadmin/index.html", "<html>var serverData=[];</html>")
                  .folder("cfadmin/images/")
                  .file("cfadmin/images/lock.gif", std::string("GIF89a\0\1\2", 9), false)
                  .file("cfadmin/big.js", big)
                  .file("cfadmin/empty.css", "")
                  .write(archive));
  const std::string out = joinPath(scratch(), "out");
  makeFolder(out);
  std::string failure = "unchanged";
  EXPECT_TRUE(unpackArchive(archive.c_str(), joinPath(out, "").c_str(), &failure));
  EXPECT_EQ(failure, "");
  EXPECT_EQ(readFile(under(out, "cfadmin", "index.html")), "<html>var serverData=[];</html>");
  EXPECT_EQ(readFile(under(under(out, "cfadmin"), "images", "lock.gif")),
            std::string("GIF89a\0\1\2", 9));
  EXPECT_EQ(readFile(under(out, "cfadmin", "big.js")), big);
  EXPECT_TRUE(isFile(under(out, "cfadmin", "empty.css")));
  EXPECT_EQ(readFile(under(out, "cfadmin", "empty.css")), "");
}

TEST_F(ArchiveUnpackerTest, ReplacesExistingFiles) {
  const std::string archive = joinPath(scratch(), "site.zip");
  ASSERT_TRUE(ZipBuilder().folder("cfadmin/").file("cfadmin/a.txt", "new").write(archive));
  makeFolder(joinPath(scratch(), "cfadmin"));
  writeFile(under(scratch(), "cfadmin", "a.txt"), "old and longer than the new text");
  EXPECT_TRUE(unpackArchive(archive.c_str(), scratch().c_str()));
  EXPECT_EQ(readFile(under(scratch(), "cfadmin", "a.txt")), "new");
}

TEST_F(ArchiveUnpackerTest, CreatesOneFolderLevelPerEntryAndSkipsFilesWithoutFolder) {
  const std::string archive = joinPath(scratch(), "site.zip");
  ASSERT_TRUE(ZipBuilder()
                  .folder("a/b/")
                  .file("a/b/lost.txt", "l")
                  .folder("a/")
                  .folder("a/c/")
                  .file("a/c/found.txt", "f")
                  .write(archive));
  // Not everything could be unpacked, and the result says so, naming the file and the system's
  // reason.
  std::string failure;
  EXPECT_FALSE(unpackArchive(archive.c_str(), scratch().c_str(), &failure));
  const std::string lost = under(under(scratch(), "a"), "b", "lost.txt") + ": ";
  EXPECT_EQ(failure.rfind(lost, 0), 0u) << failure;
  EXPECT_GT(failure.size(), lost.size()) << failure;
  EXPECT_FALSE(pathExists(under(scratch(), "a", "b")));
  EXPECT_TRUE(isFolder(under(scratch(), "a", "c")));
  EXPECT_EQ(readFile(under(under(scratch(), "a"), "c", "found.txt")), "f");
}

TEST_F(ArchiveUnpackerTest, ATruncatedArchiveUnpacksNothing) {
  const std::string archive = joinPath(scratch(), "site.zip");
  ASSERT_TRUE(ZipBuilder().folder("cfadmin/").file("cfadmin/a.txt", "a").write(archive));
  const std::string bytes = readFile(archive);
  writeFile(archive, bytes.substr(0, bytes.size() / 2));
  const std::string out = joinPath(scratch(), "out");
  makeFolder(out);
  std::string failure;
  EXPECT_FALSE(unpackArchive(archive.c_str(), out.c_str(), &failure));
  EXPECT_EQ(failure, archive + ": not a readable ZIP archive");
  EXPECT_FALSE(pathExists(joinPath(out, "cfadmin")));
  const std::string missing = joinPath(scratch(), "missing.zip");
  EXPECT_FALSE(unpackArchive(missing.c_str(), out.c_str(), &failure));
  EXPECT_EQ(failure, missing + ": not found");
}

TEST_F(ArchiveUnpackerTest, ADamagedEntryOrChecksumMismatchLeavesNoFileAndTheRestGoOn) {
  const std::string archive = joinPath(scratch(), "site.zip");
  ASSERT_TRUE(ZipBuilder()
                  .file("before.txt", "b")
                  .file("damaged.txt", std::string(50000, 'd'))
                  .file("flipped.txt", "stored, read whole, but not what was packed", false)
                  .file("after.txt", "a")
                  .write(archive));
  corruptEntryData(archive, "damaged.txt");
  corruptEntryData(archive, "flipped.txt");
  writeFile(joinPath(scratch(), "damaged.txt"), "stale");
  // The first entry that failed is the one named.
  std::string failure;
  EXPECT_FALSE(unpackArchive(archive.c_str(), scratch().c_str(), &failure));
  EXPECT_EQ(failure.rfind(archive + ": entry damaged.txt: ", 0), 0u) << failure;
  EXPECT_EQ(readFile(joinPath(scratch(), "before.txt")), "b");
  EXPECT_FALSE(pathExists(joinPath(scratch(), "damaged.txt")));
  EXPECT_FALSE(pathExists(joinPath(scratch(), "flipped.txt")));
  EXPECT_EQ(readFile(joinPath(scratch(), "after.txt")), "a");
}

// Overwrites the signature of the named entry's local header (its first header in the file) or of
// its central-directory record (its second), so that minizip rejects that header.
void spoilHeaderSignature(const std::string& archivePath, const std::string& entryName,
                          bool central) {
  std::string bytes = readFile(archivePath);
  std::size_t name = bytes.find(entryName);
  ASSERT_NE(name, std::string::npos);
  if (central) name = bytes.find(entryName, name + 1);
  ASSERT_NE(name, std::string::npos);
  const std::size_t fixedPart = central ? 46 : 30;
  ASSERT_GE(name, fixedPart);
  const std::size_t header = name - fixedPart;
  ASSERT_EQ(bytes.compare(header, 4, central ? "PK\x01\x02" : "PK\x03\x04"), 0);
  bytes.replace(header, 4, "XXXX");
  writeFile(archivePath, bytes);
}

TEST_F(ArchiveUnpackerTest, UnreadableEntryDataOrInformationEndsTheUnpacking) {
  for (const bool central : {false, true}) {
    const std::string out = joinPath(scratch(), central ? "info" : "data");
    makeFolder(out);
    const std::string archive = joinPath(out, "site.zip");
    ASSERT_TRUE(ZipBuilder()
                    .file("before.txt", "b")
                    .file("broken.txt", "x")
                    .file("after.txt", "a")
                    .write(archive));
    spoilHeaderSignature(archive, "broken.txt", central);
    EXPECT_FALSE(unpackArchive(archive.c_str(), out.c_str())) << central;
    EXPECT_EQ(readFile(joinPath(out, "before.txt")), "b") << central;
    EXPECT_FALSE(pathExists(joinPath(out, "broken.txt"))) << central;
    EXPECT_FALSE(pathExists(joinPath(out, "after.txt"))) << central;
  }
}

TEST_F(ArchiveUnpackerTest, NamesThatLeaveTheDestinationAreSkipped) {
  const std::string out = joinPath(joinPath(scratch(), "deep"), "out");
  makeFolder(joinPath(scratch(), "deep"));
  makeFolder(out);
  const std::string archive = joinPath(scratch(), "hostile.zip");
  ASSERT_TRUE(ZipBuilder()
                  .file("../escaped.txt", "x")
                  .file("ok/../../escaped2.txt", "x")
                  .file("..\\escaped3.txt", "x")
                  .folder("../escaped-folder/")
                  .file(joinPath(scratch(), "absolute.txt"), "x")
                  .file("/rooted.txt", "x")
                  .file("C:drive.txt", "x")
                  .file("fine..name.txt", "kept")
                  .write(archive));
  EXPECT_FALSE(unpackArchive(archive.c_str(), out.c_str()));
  for (const char* name : {"escaped.txt", "escaped2.txt", "escaped3.txt", "escaped-folder",
                           "absolute.txt", "rooted.txt"}) {
    EXPECT_FALSE(pathExists(joinPath(scratch(), name))) << name;
    EXPECT_FALSE(pathExists(joinPath(joinPath(scratch(), "deep"), name))) << name;
  }
  EXPECT_FALSE(pathExists(joinPath(out, "C:drive.txt")));
  EXPECT_EQ(readFile(joinPath(out, "fine..name.txt")), "kept");
}

// Archives written byte by byte, for shapes no ZIP writer makes: directory entries that point
// at the same local entry, or into another entry's data.
class RawZip {
 public:
  // Adds a local entry (raw deflate of `content` when deflate is set) and returns its offset.
  std::uint32_t local(const std::string& name, const std::string& content, bool deflate) {
    Stored stored{
        name,
        deflate ? rawDeflate(content) : content,
        deflate,
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(content.data()),
                                         static_cast<uInt>(content.size()))),
        static_cast<std::uint32_t>(content.size()),
        static_cast<std::uint32_t>(body_.size())};
    body_ += header("PK\x03\x04", stored, false) + name + stored.data;
    stored_.push_back(stored);
    return stored.offset;
  }
  // Lists local entry `index` in the central directory under `name` (of the same length).
  void list(std::size_t index, const std::string& name) {
    Stored entry = stored_[index];
    entry.name = name;
    directory_ += header("PK\x01\x02", entry, true) + name;
    ++count_;
  }
  // Lists a local entry that starts at `offset` inside earlier data.
  void listAt(const std::string& name, const std::string& content, std::uint32_t offset) {
    Stored entry{name,
                 content,
                 false,
                 static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(content.data()),
                                                  static_cast<uInt>(content.size()))),
                 static_cast<std::uint32_t>(content.size()),
                 offset};
    directory_ += header("PK\x01\x02", entry, true) + name;
    ++count_;
  }
  static std::string localBytes(const std::string& name, const std::string& content) {
    RawZip zip;
    zip.local(name, content, false);
    return zip.body_;
  }
  void write(const std::string& path) const {
    std::string end = "PK\x05\x06";
    end += u16(0) + u16(0) + u16(count_) + u16(count_);
    end += u32(static_cast<std::uint32_t>(directory_.size())) +
           u32(static_cast<std::uint32_t>(body_.size())) + u16(0);
    writeFile(path, body_ + directory_ + end);
  }

 private:
  struct Stored {
    std::string name;
    std::string data;
    bool deflate;
    std::uint32_t crc;
    std::uint32_t size;
    std::uint32_t offset;
  };
  static std::string u16(std::uint32_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
  }
  static std::string u32(std::uint32_t v) { return u16(v & 0xFFFF) + u16(v >> 16); }
  static std::string header(const char* signature, const Stored& e, bool central) {
    std::string out(signature, 4);
    if (central) out += u16(20);
    out += u16(20) + u16(0) + u16(e.deflate ? 8 : 0) + u16(0) + u16(0x21);
    out += u32(e.crc) + u32(static_cast<std::uint32_t>(e.data.size())) + u32(e.size);
    out += u16(static_cast<std::uint32_t>(e.name.size())) + u16(0);
    if (central) out += u16(0) + u16(0) + u16(0) + u32(0) + u32(e.offset);
    return out;
  }
  static std::string rawDeflate(const std::string& content) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(content.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
  }

  std::string body_;
  std::string directory_;
  std::vector<Stored> stored_;
  std::uint32_t count_ = 0;
};

std::string numbered(int i) {
  char name[8];
  std::snprintf(name, sizeof name, "e%03d", i);
  return name;
}

TEST_F(ArchiveUnpackerTest, DirectoryEntriesSharingOrOverlappingLocalEntriesAreRefused) {
  // A few KiB that would unpack to 100 MiB: every directory entry names one deflated MiB.
  const std::string bomb = joinPath(scratch(), "bomb.zip");
  RawZip shared;
  shared.local("e000", std::string(1 << 20, '\0'), true);
  for (int i = 0; i < 100; ++i) shared.list(0, numbered(i));
  shared.write(bomb);
  EXPECT_LT(readFile(bomb).size(), 12000u);
  const std::string out = joinPath(scratch(), "out");
  makeFolder(out);
  EXPECT_FALSE(unpackArchive(bomb.c_str(), out.c_str()));
  EXPECT_EQ(readFile(joinPath(out, "e000")), std::string(1 << 20, '\0'));
  EXPECT_FALSE(pathExists(joinPath(out, "e001")));

  // A second entry whose local header lies inside the first one's data.
  const std::string nested = joinPath(scratch(), "nested.zip");
  const std::string inner = RawZip::localBytes("bbbb", "inner");
  RawZip overlapping;
  overlapping.local("aaaa", inner, false);
  overlapping.list(0, "aaaa");
  overlapping.listAt("bbbb", "inner", 30 + 4);
  overlapping.write(nested);
  EXPECT_FALSE(unpackArchive(nested.c_str(), out.c_str()));
  EXPECT_EQ(readFile(joinPath(out, "aaaa")), inner);
  EXPECT_FALSE(pathExists(joinPath(out, "bbbb")));
}

TEST_F(ArchiveUnpackerTest, ArchivesOverTheEntryOrSizeBoundsAreNotUnpackedPastThem) {
  const std::string many = joinPath(scratch(), "many.zip");
  RawZip crowded;
  for (std::uint64_t i = 0; i <= kMaximumArchiveEntries; ++i) {
    crowded.local(numbered(static_cast<int>(i % 1000)), "", false);
    crowded.list(i, numbered(static_cast<int>(i % 1000)));
  }
  crowded.write(many);
  const std::string out = joinPath(scratch(), "out");
  makeFolder(out);
  EXPECT_FALSE(unpackArchive(many.c_str(), out.c_str()));
  EXPECT_FALSE(pathExists(joinPath(out, numbered(0))));

  const std::string large = joinPath(scratch(), "large.zip");
  ASSERT_TRUE(ZipBuilder()
                  .file("first.txt", "1")
                  .file("large.bin", std::string(kMaximumEntryBytes + 1, 'L'))
                  .file("last.txt", "2")
                  .write(large));
  EXPECT_FALSE(unpackArchive(large.c_str(), out.c_str()));
  EXPECT_EQ(readFile(joinPath(out, "first.txt")), "1");
  EXPECT_FALSE(pathExists(joinPath(out, "large.bin")));
  EXPECT_FALSE(pathExists(joinPath(out, "last.txt")));
}

}  // namespace
