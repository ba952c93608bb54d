#include <windows.h>

#include <thread>

#include "platform/file_io.h"
#include "platform/replacement_file.h"
#include "platform_test_support.h"

namespace {

using namespace platform_test;

TEST_F(FileReplacementTest, ATargetHeldOpenForAMomentIsReplacedOnceReleased) {
  const fs::path target = folder() / "player.exe";
  writeFile(target, "old");
  // As a scanner does: open without letting anyone delete or rename the file.
  HANDLE held = ::CreateFileA(target.string().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread scanner([held] {
    ::Sleep(400);
    ::CloseHandle(held);
  });
  std::string reason;
  const int written = platform::writeWholeFile(target.string().c_str(), "new", 3, &reason);
  scanner.join();
  EXPECT_EQ(written, 1) << reason;
  EXPECT_EQ(readFile(target), "new");
  EXPECT_EQ(entries(), (std::set<std::string>{"player.exe"}));
}

TEST_F(FileReplacementTest, AReplacementKeepsTheTargetsAttributesAndAFreshNameIsNeverReused) {
  const fs::path target = folder() / "player.exe";
  writeFile(target, "old");
  ASSERT_TRUE(::SetFileAttributesA(target.string().c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  platform::ReplacementFile file;
  ASSERT_EQ(file.open(target.string().c_str()), 1) << file.failure();
  // The temporary file was created as new: a second creation of the same name fails.
  EXPECT_EQ(::CreateFileA(file.temporaryPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
            INVALID_HANDLE_VALUE);
  ASSERT_EQ(file.write("new", 3), 1);
  ASSERT_EQ(file.commit(), 1) << file.failure();
  EXPECT_EQ(readFile(target), "new");
  EXPECT_TRUE(::GetFileAttributesA(target.string().c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace
