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

// A file time as a count of 100 ns steps.
ULONGLONG lastWriteTime(const fs::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  EXPECT_TRUE(::GetFileAttributesExA(path.string().c_str(), GetFileExInfoStandard, &data));
  return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

TEST_F(FileReplacementTest, ASystemCopyHoldsTheSourcesBytesAndNothingElseOfIt) {
  std::string large;
  for (unsigned i = 0; i < (3u << 20) + 1; ++i) large += static_cast<char>((i * 7919u) >> 5);
  FILETIME before{};
  ::GetSystemTimeAsFileTime(&before);
  const ULONGLONG start =
      (static_cast<ULONGLONG>(before.dwHighDateTime) << 32) | before.dwLowDateTime;
  for (const std::string& bytes : {std::string(), std::string("MZ small"), large}) {
    const fs::path source = folder() / "source.exe";
    const fs::path fresh = folder() / "fresh.exe";
    const fs::path existing = folder() / "existing.exe";
    writeFile(source, bytes);
    writeFile(existing, "old");
    // What a copy by the system would carry over: an old time and read-only, hidden attributes.
    {
      HANDLE file = ::CreateFileA(source.string().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE);
      const FILETIME old{0xC89DC000u, 0x01C07385u};  // 1 January 2001
      EXPECT_TRUE(::SetFileTime(file, &old, &old, &old));
      ::CloseHandle(file);
    }
    ASSERT_TRUE(::SetFileAttributesA(source.string().c_str(),
                                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    for (const fs::path& target : {fresh, existing, existing}) {
      std::string reason;
      ASSERT_EQ(platform::copyFile(source.string().c_str(), target.string().c_str(), &reason), 1)
          << reason;
      EXPECT_TRUE(readFile(target) == bytes) << target << " of " << bytes.size() << " bytes";
      EXPECT_EQ(::GetFileAttributesA(target.string().c_str()) &
                    (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
                0u)
          << target;
      EXPECT_GE(lastWriteTime(target), start) << target;
    }
    EXPECT_EQ(entries(), (std::set<std::string>{"source.exe", "fresh.exe", "existing.exe"}));
    ASSERT_TRUE(::SetFileAttributesA(source.string().c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(::DeleteFileA(fresh.string().c_str()));
  }

  // Named streams (where the volume has them) stay behind: an installer's mark of where it was
  // downloaded from, or anything else, is not written into what the program makes.
  DWORD flags = 0;
  const std::string root = folder().root_path().string();
  ASSERT_TRUE(
      ::GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0));
  if (flags & FILE_NAMED_STREAMS) {
    const fs::path source = folder() / "source.exe";
    const fs::path target = folder() / "marked.exe";
    writeFile(fs::path(source.string() + ":Zone.Identifier"), "[ZoneTransfer]\r\nZoneId=3\r\n");
    std::string reason;
    ASSERT_EQ(platform::copyFile(source.string().c_str(), target.string().c_str(), &reason), 1)
        << reason;
    EXPECT_TRUE(readFile(target) == large);
    EXPECT_EQ(::GetFileAttributesA((target.string() + ":Zone.Identifier").c_str()),
              INVALID_FILE_ATTRIBUTES);
  }
}

TEST_F(FileReplacementTest, AFailedCopyLeavesTheTargetAndNoTemporaryFile) {
  const fs::path source = folder() / "source.exe";
  const fs::path target = folder() / "player.exe";
  writeFile(source, std::string(100000, 's'));
  writeFile(target, "old");
  ASSERT_TRUE(::SetFileAttributesA(source.string().c_str(), FILE_ATTRIBUTE_READONLY));
  // Held for the whole attempt, the target cannot be replaced: the copy was made, then fails.
  HANDLE held = ::CreateFileA(target.string().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string reason;
  EXPECT_EQ(platform::copyFile(source.string().c_str(), target.string().c_str(), &reason), 0);
  ::CloseHandle(held);
  EXPECT_NE(reason.find(target.string()), std::string::npos) << reason;
  EXPECT_EQ(readFile(target), "old");
  EXPECT_EQ(entries(), (std::set<std::string>{"source.exe", "player.exe"}));
}

}  // namespace
