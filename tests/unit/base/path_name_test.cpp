#include "base/path_name.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/path_rules.h"

namespace {

const std::string sep(1, platform::pathSeparator());

TEST(PathNameValidity, NullAndEmptyAreInvalid) {
  EXPECT_EQ(PathName(static_cast<const char*>(nullptr)).isValid(), 0);
  EXPECT_EQ(PathName("").isValid(), 0);
  EXPECT_EQ(PathName(SharedString()).isValid(), 0);
  EXPECT_EQ(PathName("x").isValid(), 1);
  EXPECT_STREQ(PathName(static_cast<const char*>(nullptr)).text(), "");
}

TEST(PathNameJoin, AddsASeparatorOnlyWhenNoneEndsThePath) {
  EXPECT_EQ(std::string(PathName("C:\\dir").join("file.txt").text()), "C:\\dir" + sep + "file.txt");
  EXPECT_STREQ(PathName("C:\\dir\\").join("file.txt").text(), "C:\\dir\\file.txt");
  EXPECT_STREQ(PathName("C:/dir/").join("f").text(), "C:/dir/f");
  EXPECT_EQ(std::string(PathName("C:").join("f").text()), "C:" + sep + "f");
  EXPECT_STREQ(PathName("").join("x").text(), "x");
  EXPECT_EQ(std::string(PathName("a").join(nullptr).text()), "a" + sep);
  EXPECT_EQ(std::string(PathName("a").join("\\b").text()), "a" + sep + "\\b");
  EXPECT_EQ(std::string(PathName("/tmp/ws").join("cfadmin").join("index.html").text()),
            "/tmp/ws" + sep + "cfadmin" + sep + "index.html");
}

TEST(PathNameJoin, SharesTheTextOfTheOriginal) {
  SharedString text("C:\\dir");
  PathName path(text);
  EXPECT_TRUE(path.asString().sharesBlockWith(text));
}

TEST(PathNameFileUrl, TurnsBackslashesAndAddsTheScheme) {
  EXPECT_STREQ(PathName("C:\\a b\\c.html").toFileUrl().text(), "file://C:/a b/c.html");
  EXPECT_STREQ(PathName("C:\\Temp\\~kxent\\cfadmin\\index.html").toFileUrl().text(),
               "file://C:/Temp/~kxent/cfadmin/index.html");
  EXPECT_STREQ(PathName("/tmp/~kxent/cfadmin/index.html").toFileUrl().text(),
               "file:///tmp/~kxent/cfadmin/index.html");
  EXPECT_TRUE(PathName("").toFileUrl().usesSharedEmpty());
}

class ExistingFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kx-path-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "folder");
    std::ofstream(dir_ / "file.txt") << "x";
    std::ofstream(dir_ / ".hidden") << "x";
    std::ofstream(dir_ / "readonly.txt") << "x";
    std::filesystem::permissions(dir_ / "readonly.txt", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
  }
  void TearDown() override {
    std::filesystem::permissions(dir_ / "readonly.txt", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    std::filesystem::remove_all(dir_);
  }
  PathName at(const char* name) const { return PathName((dir_ / name).string().c_str()); }
  std::filesystem::path dir_;
};

TEST_F(ExistingFileTest, OnlyFilesCountNotFoldersOrMissingPaths) {
  EXPECT_EQ(isExistingFile(at("file.txt")), 1);
  EXPECT_EQ(isExistingFile(at(".hidden")), 1);
  EXPECT_EQ(isExistingFile(at("readonly.txt")), 1);
  EXPECT_EQ(isExistingFile(at("folder")), 0);
  EXPECT_EQ(isExistingFile(at("missing.txt")), 0);
  EXPECT_EQ(isExistingFile(PathName("")), 0);
  EXPECT_EQ(isExistingFile(PathName((dir_.string() + sep).c_str())), 0);
}

}  // namespace
