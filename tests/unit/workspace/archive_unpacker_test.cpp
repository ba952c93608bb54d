#include "workspace/archive_unpacker.h"

#include <gtest/gtest.h>

#include <string>

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
  EXPECT_TRUE(unpackArchive(archive.c_str(), joinPath(out, "").c_str()));
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
  EXPECT_TRUE(unpackArchive(archive.c_str(), scratch().c_str()));
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
  EXPECT_FALSE(unpackArchive(archive.c_str(), out.c_str()));
  EXPECT_FALSE(pathExists(joinPath(out, "cfadmin")));
  EXPECT_FALSE(unpackArchive(joinPath(scratch(), "missing.zip").c_str(), out.c_str()));
}

TEST_F(ArchiveUnpackerTest, ADamagedEntryLeavesNoFileAndTheRestGoOn) {
  const std::string archive = joinPath(scratch(), "site.zip");
  ASSERT_TRUE(ZipBuilder()
                  .file("before.txt", "b")
                  .file("damaged.txt", std::string(50000, 'd'))
                  .file("after.txt", "a")
                  .write(archive));
  corruptEntryData(archive, "damaged.txt");
  writeFile(joinPath(scratch(), "damaged.txt"), "stale");
  EXPECT_TRUE(unpackArchive(archive.c_str(), scratch().c_str()));
  EXPECT_EQ(readFile(joinPath(scratch(), "before.txt")), "b");
  EXPECT_FALSE(pathExists(joinPath(scratch(), "damaged.txt")));
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
    EXPECT_TRUE(unpackArchive(archive.c_str(), out.c_str())) << central;
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
  EXPECT_TRUE(unpackArchive(archive.c_str(), out.c_str()));
  for (const char* name : {"escaped.txt", "escaped2.txt", "escaped3.txt", "escaped-folder",
                           "absolute.txt", "rooted.txt"}) {
    EXPECT_FALSE(pathExists(joinPath(scratch(), name))) << name;
    EXPECT_FALSE(pathExists(joinPath(joinPath(scratch(), "deep"), name))) << name;
  }
  EXPECT_FALSE(pathExists(joinPath(out, "C:drive.txt")));
  EXPECT_EQ(readFile(joinPath(out, "fine..name.txt")), "kept");
}

}  // namespace
