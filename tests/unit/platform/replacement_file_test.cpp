#include "platform/replacement_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "platform/file_io.h"
#include "platform_test_support.h"

namespace {

using namespace platform_test;

TEST_F(FileReplacementTest, NewContentsTakeThePlaceOfTheTargetOnlyAtCommit) {
  const fs::path target = folder() / "player.exe";
  platform::ReplacementFile file;
  ASSERT_EQ(file.open(target.string().c_str()), 1) << file.failure();
  ASSERT_EQ(file.write("new contents", 12), 1);
  ASSERT_EQ(file.writeAt(0, "N", 1), 1);
  EXPECT_FALSE(fs::exists(target)) << "nothing is there before the commit";
  ASSERT_EQ(file.commit(), 1) << file.failure();
  EXPECT_EQ(readFile(target), "New contents");

  platform::ReplacementFile second;
  ASSERT_EQ(second.open(target.string().c_str()), 1);
  ASSERT_EQ(second.write("other", 5), 1);
  EXPECT_EQ(readFile(target), "New contents") << "the old contents stay until the commit";
  ASSERT_EQ(second.commit(), 1) << second.failure();
  EXPECT_EQ(readFile(target), "other");
  EXPECT_EQ(entries(), (std::set<std::string>{"player.exe"}));
}

TEST_F(FileReplacementTest, TheTemporaryFileIsFreshBesideTheTargetAndGoesWhenNotCommitted) {
  const fs::path target = folder() / "player.exe";
  writeFile(target, "old");
  std::set<std::string> names;
  {
    platform::ReplacementFile a;
    platform::ReplacementFile b;
    ASSERT_EQ(a.open(target.string().c_str()), 1);
    ASSERT_EQ(b.open(target.string().c_str()), 1);
    for (const platform::ReplacementFile* f : {&a, &b}) {
      const fs::path temporary(f->temporaryPath());
      EXPECT_TRUE(fs::equivalent(temporary.parent_path(), folder()));
      EXPECT_TRUE(fs::is_regular_file(temporary));
      EXPECT_EQ(temporary.filename().string().find("player.exe"), std::string::npos);
      names.insert(temporary.filename().string());
    }
    ASSERT_EQ(a.write("half", 4), 1);
    b.discard();
    EXPECT_EQ(entries().size(), 2u) << "the discarded file is gone at once";
  }
  EXPECT_EQ(names.size(), 2u) << "each replacement has a name of its own";
  EXPECT_EQ(readFile(target), "old");
  EXPECT_EQ(entries(), (std::set<std::string>{"player.exe"}));
}

TEST_F(FileReplacementTest, FailuresSayWhyAndNameTheFile) {
  const fs::path missingFolder = folder() / "no-such-folder";
  std::string reason;
  EXPECT_EQ(platform::writeWholeFile((missingFolder / "x.exe").string().c_str(), "x", 1, &reason),
            0);
  EXPECT_NE(reason.find(missingFolder.string()), std::string::npos) << reason;

  const fs::path taken = folder() / "taken.exe";
  fs::create_directories(taken / "inside");
  reason.clear();
  EXPECT_EQ(platform::writeWholeFile(taken.string().c_str(), "x", 1, &reason), 0);
  EXPECT_NE(reason.find(taken.string()), std::string::npos) << reason;
  EXPECT_TRUE(fs::is_directory(taken / "inside"));

  const fs::path source = folder() / "absent.exe";
  reason.clear();
  EXPECT_EQ(
      platform::copyFile(source.string().c_str(), (folder() / "y.exe").string().c_str(), &reason),
      0);
  EXPECT_NE(reason.find(source.string()), std::string::npos) << reason;

  platform::ReplacementFile file;
  ASSERT_EQ(file.open((folder() / "z.exe").string().c_str()), 1);
  ASSERT_EQ(file.write("abc", 3), 1);
  EXPECT_EQ(file.writeAt(2, "cd", 2), 0) << "only bytes already written can be overwritten";
  EXPECT_EQ(file.commit(), 0) << "a replacement that failed once is never committed";
  EXPECT_FALSE(file.failure().empty());
  file.discard();
  EXPECT_EQ(entries(), (std::set<std::string>{"taken.exe"}));
}

TEST_F(FileReplacementTest, CopiesAreByteForByteAndReplaceTheTarget) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>((i * 7919) >> 3);
  const fs::path source = folder() / "source.bin";
  const fs::path target = folder() / "target.bin";
  writeFile(source, bytes);
  writeFile(target, std::string(1 << 20, 'o'));
  std::string reason;
  ASSERT_EQ(platform::copyFile(source.string().c_str(), target.string().c_str(), &reason), 1)
      << reason;
  EXPECT_TRUE(readFile(target) == bytes);
  EXPECT_EQ(entries(), (std::set<std::string>{"source.bin", "target.bin"}));
}

TEST_F(FileReplacementTest, RangesOfAnotherFileAreCopiedExactlyAndAShortSourceFails) {
  std::string bytes;
  for (unsigned i = 0; i < 3000001; ++i) bytes += static_cast<char>((i * 7919u) >> 5);
  const fs::path source = folder() / "source.bin";
  const fs::path target = folder() / "target.bin";
  writeFile(source, bytes);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(source.string().c_str(), "rb"),
                                                     &std::fclose);
  ASSERT_NE(in, nullptr);
  platform::ReplacementFile file;
  ASSERT_EQ(file.open(target.string().c_str()), 1) << file.failure();
  ASSERT_EQ(file.write("head", 4), 1);
  // Odd offsets and lengths, more than one buffer's worth, and a piece after the copy.
  ASSERT_EQ(file.copyFrom(in.get(), 3, 2500001), 1) << file.failure();
  ASSERT_EQ(file.copyFrom(in.get(), 0, 0), 1);
  // Zeros between pieces and at the very end, which nothing writes after.
  ASSERT_EQ(file.appendZeros(70001), 1) << file.failure();
  ASSERT_EQ(file.write("tail", 4), 1);
  ASSERT_EQ(file.appendZeros(3), 1) << file.failure();
  ASSERT_EQ(file.complete(), 1) << file.failure();
  EXPECT_EQ(fs::file_size(file.temporaryPath()), 4 + 2500001 + 70001 + 4 + 3u);
  ASSERT_EQ(file.writeAt(4, "X", 1), 1);
  ASSERT_EQ(file.commit(), 1) << file.failure();
  EXPECT_TRUE(readFile(target) == "headX" + bytes.substr(4, 2500000) + std::string(70001, '\0') +
                                      "tail" + std::string(3, '\0'));

  platform::ReplacementFile shortCopy;
  ASSERT_EQ(shortCopy.open(target.string().c_str()), 1);
  EXPECT_EQ(shortCopy.copyFrom(in.get(), bytes.size() - 10, 11), 0);
  EXPECT_FALSE(shortCopy.failure().empty());
  EXPECT_EQ(shortCopy.commit(), 0) << "a short copy is never committed";
  shortCopy.discard();
  EXPECT_EQ(entries(), (std::set<std::string>{"source.bin", "target.bin"}));
}

}  // namespace
