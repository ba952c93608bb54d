#include "base/path_name.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/double_byte.h"
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

TEST(PathNameFileUrl, EscapesEveryByteButUnreservedOnesAndSeparators) {
  const std::string& s = sep;
  auto url = [](const std::string& path) {
    return std::string(PathName(path.c_str()).toFileUrl().text());
  };
  EXPECT_EQ(url("C:" + s + "a b" + s + "c.html"), "file:///C:/a%20b/c.html");
  EXPECT_EQ(url("/tmp/~kxent/cfadmin/index.html"), "file:///tmp/~kxent/cfadmin/index.html");
  EXPECT_EQ(
      url("/tmp" + s + "a #1?%41 \xC3\xA9:;&=+$,@!'()*[]" + s + "x.html"),
      "file:///tmp/a%20%231%3F%2541%20%C3%A9%3A%3B%26%3D%2B%24%2C%40%21%27%28%29%2A%5B%5D/x.html");
  EXPECT_TRUE(PathName("").toFileUrl().usesSharedEmpty());

  // A trail byte equal to '\\' belongs to its character and is escaped with it.
  dbcs_testing::useLeadByteRule(dbcs_testing::isCodePage932LeadByte);
  EXPECT_EQ(url("C:" + s + "\x95\\" + s + "x"), "file:///C:/%95%5C/x");
  dbcs_testing::useLeadByteRule(nullptr);
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
