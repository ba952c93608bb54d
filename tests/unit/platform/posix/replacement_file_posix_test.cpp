#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_io.h"
#include "platform/output_file.h"
#include "platform/replacement_file.h"
#include "platform_test_support.h"
#include "tests/unit/file_size_limit.h"

namespace {

using namespace platform_test;

struct stat statusOf(const fs::path& p) {
  struct stat status {};
  EXPECT_EQ(::lstat(p.c_str(), &status), 0) << p;
  return status;
}

TEST_F(FileReplacementTest, AReplacementKeepsModeOwnerAndAttributesButNeverSetuid) {
  const fs::path target = folder() / "player.exe";
  writeFile(target, "old");
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
  }
  ASSERT_EQ(::chmod(target.c_str(), 06750), 0);
  const bool attributes = ::setxattr(target.c_str(), "user.origin", "kx", 2, 0) == 0;
  // A file capability (revision 2, CAP_NET_RAW permitted) is a privilege, like setuid.
  const unsigned char capability[20] = {0, 0, 0, 2, 0, 0x20, 0, 0};
  const bool capable =
      ::setxattr(target.c_str(), "security.capability", capability, sizeof capability, 0) == 0;

  ASSERT_EQ(platform::writeWholeFile(target.c_str(), "new", 3), 1);
  EXPECT_EQ(readFile(target), "new");
  const struct stat status = statusOf(target);
  EXPECT_EQ(status.st_mode & 07777, 0750u);
  if (root) {
    EXPECT_EQ(status.st_uid, 65534u);
    EXPECT_EQ(status.st_gid, 65534u);
  }
  if (attributes) {
    char value[8] = {};
    EXPECT_EQ(::getxattr(target.c_str(), "user.origin", value, sizeof value), 2);
    EXPECT_STREQ(value, "kx");
  }
  if (capable) {
    EXPECT_LT(::getxattr(target.c_str(), "security.capability", nullptr, 0), 0);
  }

  // A new file gets what any new file of this user gets.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  ASSERT_EQ(platform::writeWholeFile((folder() / "fresh.exe").c_str(), "x", 1), 1);
  EXPECT_EQ(statusOf(folder() / "fresh.exe").st_mode & 07777, 0666u & ~mask);
}

TEST_F(FileReplacementTest, ALinkPlantedWhereATemporaryFileCouldGoIsNeverFollowed) {
  const fs::path victim = folder() / "victim.txt";
  writeFile(victim, "the user's own file");
  const fs::path target = folder() / "player.exe";
  for (const char* planted : {"player.exe.kxpart", "player.exe.kxnew", "player.exe.tmp"})
    fs::create_symlink(victim, folder() / planted);
  for (int i = 0; i < 8; ++i) {
    platform::ReplacementFile file;
    ASSERT_EQ(file.open(target.c_str()), 1);
    EXPECT_FALSE(fs::is_symlink(file.temporaryPath()));
    ASSERT_EQ(file.write("installer", 9), 1);
    ASSERT_EQ(file.commit(), 1);
  }
  EXPECT_EQ(readFile(victim), "the user's own file");
  EXPECT_EQ(readFile(target), "installer");
}

TEST_F(FileReplacementTest, AnOutputFileIsNeverCreatedThroughALink) {
  const fs::path victim = folder() / "victim.txt";
  writeFile(victim, "the user's own file");
  fs::create_symlink(victim, folder() / "cfadmin.zip");
  platform::OutputFile file;
  EXPECT_EQ(file.create((folder() / "cfadmin.zip").c_str()), 0);
  EXPECT_EQ(readFile(victim), "the user's own file");
}

TEST_F(FileReplacementTest, ATargetThatIsALinkIsWrittenThroughToWhatItPointsAt) {
  fs::create_directories(folder() / "real");
  writeFile(folder() / "real" / "player.exe", "old");
  fs::create_symlink("real/player.exe", folder() / "middle.exe");
  fs::create_symlink(folder() / "middle.exe", folder() / "chosen.exe");
  ASSERT_EQ(platform::writeWholeFile((folder() / "chosen.exe").c_str(), "new", 3), 1);
  EXPECT_TRUE(fs::is_symlink(folder() / "chosen.exe"));
  EXPECT_TRUE(fs::is_symlink(folder() / "middle.exe"));
  EXPECT_EQ(readFile(folder() / "real" / "player.exe"), "new");

  // A link to a file not yet there makes it; a loop of links is refused with its reason.
  fs::create_symlink("real/later.exe", folder() / "dangling.exe");
  ASSERT_EQ(platform::writeWholeFile((folder() / "dangling.exe").c_str(), "made", 4), 1);
  EXPECT_EQ(readFile(folder() / "real" / "later.exe"), "made");
  fs::create_symlink("loop-b", folder() / "loop-a");
  fs::create_symlink("loop-a", folder() / "loop-b");
  std::string reason;
  EXPECT_EQ(platform::writeWholeFile((folder() / "loop-a").c_str(), "x", 1, &reason), 0);
  EXPECT_NE(reason.find(std::strerror(ELOOP)), std::string::npos) << reason;
}

TEST_F(FileReplacementTest, AShortCopyOnAFullDiskFailsWithItsReasonAndKeepsTheTarget) {
  const fs::path source = folder() / "installer.exe";
  const fs::path target = folder() / "player.exe";
  writeFile(source, std::string(256 * 1024, 'i'));
  writeFile(target, "previous player");
  const int outcome = test_support::runWithFileSizeLimit(64 * 1024, [&] {
    std::string reason;
    if (platform::copyFile(source.c_str(), target.c_str(), &reason) != 0) return 1;
    if (reason.find(target.string()) == std::string::npos) return 2;
    if (reason.find(std::strerror(EFBIG)) == std::string::npos) return 3;
    return 0;
  });
  EXPECT_EQ(outcome, 0) << "1: reported as a success; 2, 3: reason without file or cause";
  EXPECT_EQ(readFile(target), "previous player");
  EXPECT_EQ(entries(), (std::set<std::string>{"installer.exe", "player.exe"}));
}

}  // namespace
