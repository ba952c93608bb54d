#include "workspace/folder_object.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/double_byte.h"
#include "platform/file_system.h"
#include "platform/path_roots.h"
#include "platform/path_rules.h"
#include "platform/process_environment.h"
#include "tests/unit/workspace/test_platform.h"
#include "tests/unit/workspace/workspace_fixture.h"

namespace {

const std::string kSeparator(1, platform::pathSeparator());

// Every entry an enumeration reports, as (path, kind), in the order reported.
std::vector<std::pair<std::string, int>> listEntries(FolderObject& folder, const char* pattern) {
  std::vector<std::pair<std::string, int>> entries;
  char buffer[261] = {};
  for (int kind = folder.firstEntry(pattern, buffer, 260); kind != FolderObject::kNoMoreEntries;
       kind = folder.nextEntry(buffer, 260)) {
    entries.emplace_back(buffer, kind);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

using FolderObjectTest = ScratchTest;

TEST_F(FolderObjectTest, SetPathDropsOneTrailingSeparatorButKeepsRoots) {
  FolderObject folder;
  const std::string root = platform::rootOf(scratch().c_str());
  ASSERT_FALSE(root.empty());
  folder.setPath(root.c_str());
  EXPECT_STREQ(folder.path().text(), root.c_str());

  folder.setPath((scratch() + kSeparator).c_str());
  EXPECT_EQ(folder.path().text(), scratch());
  folder.setPath((scratch() + kSeparator + kSeparator).c_str());
  EXPECT_EQ(folder.path().text(), scratch() + kSeparator);
  folder.setPath(scratch().c_str());
  EXPECT_EQ(folder.path().text(), scratch());
}

TEST_F(FolderObjectTest, ATrailByteEqualToTheSeparatorIsNoSeparator) {
  struct DoubleByteCodePage {
    DoubleByteCodePage() { dbcs_testing::useLeadByteRule(dbcs_testing::isCodePage932LeadByte); }
    ~DoubleByteCodePage() { dbcs_testing::useLeadByteRule(nullptr); }
  } codePage;
  // One double-byte character whose second byte is the separator's byte.
  const std::string lastCharacter = std::string("\x95") + kSeparator;
  FolderObject folder;
  folder.setPath((scratch() + kSeparator + "dir" + lastCharacter).c_str());
  EXPECT_EQ(folder.path().text(), scratch() + kSeparator + "dir" + lastCharacter);
  folder.setPath((scratch() + kSeparator + "dir" + lastCharacter + kSeparator).c_str());
  EXPECT_EQ(folder.path().text(), scratch() + kSeparator + "dir" + lastCharacter);
  EXPECT_EQ(endsInSeparator(folder.path().text()), 0);
  EXPECT_EQ(endsInSeparator((scratch() + kSeparator).c_str()), 1);
}

TEST_F(FolderObjectTest, ExistsOnlyForFoldersNamedWithoutTrailingSeparator) {
  const std::string file = joinPath(scratch(), "plain.txt");
  writeFile(file, "x");
  FolderObject folder;
  EXPECT_EQ(folder.exists(), 0) << "empty path";
  folder.setPath(".");
  EXPECT_EQ(folder.exists(), 0) << "paths starting with '.'";
  folder.setPath(file.c_str());
  EXPECT_EQ(folder.exists(), 0) << "a file";
  folder.setPath(joinPath(scratch(), "missing").c_str());
  EXPECT_EQ(folder.exists(), 0);
  folder.setPath(scratch().c_str());
  EXPECT_EQ(folder.exists(), 1);
  folder.setPath((scratch() + kSeparator + kSeparator).c_str());
  ASSERT_EQ(folder.path().text(), scratch() + kSeparator);
  EXPECT_EQ(folder.exists(), 0) << "a folder written with a trailing separator";
  folder.setPath(platform::rootOf(scratch().c_str()).c_str());
  EXPECT_EQ(folder.exists(), 1) << "the root of a fixed disk";
}

TEST_F(FolderObjectTest, CreateFolderMakesTheLastLevelOnly) {
  FolderObject folder;
  folder.setPath(joinPath(scratch(), "made").c_str());
  EXPECT_EQ(folder.createFolder(), 1);
  EXPECT_TRUE(isFolder(joinPath(scratch(), "made")));
  EXPECT_EQ(folder.createFolder(), 1) << "an existing folder";
  folder.setPath(joinPath(joinPath(scratch(), "no"), "parent").c_str());
  EXPECT_EQ(folder.createFolder(), 0);
}

TEST_F(FolderObjectTest, EnumerationReportsFullPathsAndNeverDotEntries) {
  FolderObject folder;
  folder.setPath(scratch().c_str());
  char buffer[261] = {};
  EXPECT_EQ(folder.firstEntry("*", buffer, 260), FolderObject::kNoMoreEntries) << "empty folder";

  writeFile(joinPath(scratch(), "a.txt"), "a");
  writeFile(joinPath(scratch(), "b.gif"), "b");
  makeFolder(joinPath(scratch(), "sub"));
  writeFile(joinPath(joinPath(scratch(), "sub"), "inner.txt"), "i");
  const std::vector<std::pair<std::string, int>> expected{
      {joinPath(scratch(), "a.txt"), FolderObject::kEntryFile},
      {joinPath(scratch(), "b.gif"), FolderObject::kEntryFile},
      {joinPath(scratch(), "sub"), FolderObject::kEntryFolder}};
  EXPECT_EQ(listEntries(folder, "*"), expected);
  const std::vector<std::pair<std::string, int>> texts{
      {joinPath(scratch(), "a.txt"), FolderObject::kEntryFile}};
  EXPECT_EQ(listEntries(folder, "*.txt"), texts);
  // After the end the enumeration stays ended until the next start.
  EXPECT_EQ(folder.nextEntry(buffer, 260), FolderObject::kNoMoreEntries);
}

TEST_F(FolderObjectTest, EntriesWhosePathDoesNotFitAreNeverHandedOut) {
  writeFile(joinPath(scratch(), "short"), "s");
  writeFile(joinPath(scratch(), std::string(40, 'n')), "l");
  FolderObject folder;
  folder.setPath(scratch().c_str());
  const auto size = static_cast<std::uint16_t>(scratch().size() + 1 + 5 + 2);
  std::vector<char> buffer(size, '\0');
  std::vector<std::string> seen;
  for (int kind = folder.firstEntry("*", buffer.data(), size); kind != FolderObject::kNoMoreEntries;
       kind = folder.nextEntry(buffer.data(), size)) {
    seen.emplace_back(buffer.data());
  }
  EXPECT_EQ(seen, std::vector<std::string>{joinPath(scratch(), "short")});
}

TEST_F(FolderObjectTest, DeleteFileCountsOnlyRefusalAsFailure) {
  FolderObject folder;
  folder.setPath(scratch().c_str());
  EXPECT_EQ(folder.deleteFile(nullptr), 0);
  EXPECT_EQ(folder.deleteFile("missing.txt"), 1);

  const std::string readOnly = joinPath(scratch(), "locked.txt");
  writeFile(readOnly, "r");
  std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
  EXPECT_EQ(folder.deleteFile("locked.txt"), 1);
  EXPECT_FALSE(pathExists(readOnly));

  const std::string absolute = joinPath(scratch(), "absolute.txt");
  writeFile(absolute, "a");
  FolderObject elsewhere;
  elsewhere.setPath(joinPath(scratch(), "unrelated").c_str());
  EXPECT_EQ(elsewhere.deleteFile(absolute.c_str()), 1);
  EXPECT_FALSE(pathExists(absolute));
}

TEST_F(FolderObjectTest, RemoveTreeWithoutContentsRemovesOnlyEmptyFolders) {
  FolderObject folder;
  folder.setPath(joinPath(scratch(), "gone").c_str());
  EXPECT_EQ(folder.removeTree(0), 1) << "a missing folder";

  makeFolder(joinPath(scratch(), "full"));
  writeFile(joinPath(joinPath(scratch(), "full"), "keep.txt"), "k");
  folder.setPath(joinPath(scratch(), "full").c_str());
  EXPECT_EQ(folder.removeTree(0), 0);
  EXPECT_TRUE(isFile(joinPath(joinPath(scratch(), "full"), "keep.txt")));

  makeFolder(joinPath(scratch(), "empty"));
  folder.setPath(joinPath(scratch(), "empty").c_str());
  EXPECT_EQ(folder.removeTree(0), 1);
  EXPECT_FALSE(pathExists(joinPath(scratch(), "empty")));
}

TEST_F(FolderObjectTest, RemoveTreeDeletesNestedAndReadOnlyEntries) {
  const std::string top = joinPath(scratch(), "tree");
  std::string level = top;
  makeFolder(level);
  for (const char* name : {"one", "two", "three"}) {
    writeFile(joinPath(level, "file.txt"), name);
    writeFile(joinPath(level, "empty"), "");
    level = joinPath(level, name);
    makeFolder(level);
  }
  const std::string readOnly = joinPath(level, "read-only.txt");
  writeFile(readOnly, "r");
  std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
  makeFolder(joinPath(level, "empty folder"));

  FolderObject folder;
  folder.setPath(top.c_str());
  EXPECT_EQ(folder.removeTree(1), 1);
  EXPECT_FALSE(pathExists(top));
  EXPECT_TRUE(isFolder(scratch()));
}

TEST_F(FolderObjectTest, RemoveTreeKeepsARefusedEntryAndEveryFolderAboveIt) {
  test_platform::runAsOrdinaryUser([] {
    const std::string base = test_platform::makeScratchFolder();
    ASSERT_FALSE(base.empty());
    const std::string top = joinPath(base, "tree");
    const std::string keep = joinPath(top, "keep");
    const std::string held = joinPath(keep, "held.txt");
    makeFolder(top);
    makeFolder(keep);
    makeFolder(joinPath(top, "other"));
    writeFile(joinPath(top, "loose.txt"), "l");
    writeFile(joinPath(joinPath(top, "other"), "inner.txt"), "i");
    writeFile(held, "h");
    {
      test_platform::RefusedEntry refusal(held);
      FolderObject folder;
      folder.setPath(keep.c_str());
      EXPECT_EQ(folder.deleteFile("held.txt"), 0);
      folder.setPath(top.c_str());
      EXPECT_EQ(folder.removeTree(1), 0);
      EXPECT_TRUE(isFile(held));
      EXPECT_TRUE(isFolder(keep));
      EXPECT_TRUE(isFolder(top));
      EXPECT_FALSE(pathExists(joinPath(top, "loose.txt")));
      EXPECT_FALSE(pathExists(joinPath(top, "other")));
    }
    FolderObject folder;
    folder.setPath(top.c_str());
    EXPECT_EQ(folder.removeTree(1), 1) << "once released, the rest goes too";
    std::filesystem::remove_all(base);
  });
}

TEST_F(FolderObjectTest, RemoveTreeRemovesLinksButNeverWhatTheyPointTo) {
  const std::string outside = joinPath(scratch(), "outside");
  makeFolder(outside);
  writeFile(joinPath(outside, "precious.txt"), "p");
  const std::string outsideFile = joinPath(scratch(), "precious-file.txt");
  writeFile(outsideFile, "f");

  const std::string top = joinPath(scratch(), "tree");
  makeFolder(top);
  makeFolder(joinPath(top, "sub"));
  if (!test_platform::makeFolderLink(joinPath(joinPath(top, "sub"), "folder-link"), outside) ||
      !test_platform::makeFileLink(joinPath(top, "file-link"), outsideFile)) {
    GTEST_SKIP() << "this system cannot create links";
  }
  std::filesystem::permissions(outsideFile, std::filesystem::perms::owner_read);

  FolderObject folder;
  folder.setPath(top.c_str());
  EXPECT_EQ(folder.removeTree(1), 1);
  EXPECT_FALSE(pathExists(top));
  EXPECT_TRUE(isFile(joinPath(outside, "precious.txt")));
  EXPECT_TRUE(isFile(outsideFile));
  EXPECT_EQ(
      std::filesystem::status(outsideFile).permissions() & std::filesystem::perms::owner_write,
      std::filesystem::perms::none)
      << "the target of a file link is not made writable";

  // A Workspace path that is itself a link goes as a link.
  const std::string linkedTop = joinPath(scratch(), "linked-top");
  ASSERT_TRUE(test_platform::makeFolderLink(linkedTop, outside));
  folder.setPath(linkedTop.c_str());
  EXPECT_EQ(folder.removeTree(1), 1);
  EXPECT_FALSE(pathExists(linkedTop));
  EXPECT_TRUE(isFile(joinPath(outside, "precious.txt")));
}

TEST_F(FolderObjectTest, SetTempPathPrefersTempThenFallsBack) {
  FolderObject folder;
  EXPECT_EQ(folder.setTempPath(nullptr, "~name"), 1);
  EXPECT_EQ(folder.path().text(), joinPath(scratch(), "~name"));
  EXPECT_EQ(folder.setTempPath(nullptr, ""), 1);
  EXPECT_EQ(folder.path().text(), scratch());
  EXPECT_EQ(folder.setTempPath(nullptr, nullptr), 1);
  EXPECT_EQ(folder.path().text(), scratch());

  // A TEMP that names no folder, or one written with a trailing separator, gives way to the
  // program's folder and then to the system folder.
  std::string program;
  ASSERT_EQ(platform::modulePath(platform::programModule(), program), 1);
  const std::string programFolder = program.substr(0, program.find_last_of(kSeparator));
  std::string system;
  ASSERT_EQ(platform::systemFolder(system), 1);
  for (const std::string& temp : {joinPath(scratch(), "missing"), scratch() + kSeparator}) {
    for (const char* variable : platform::temporaryBaseVariables()) {
      test_platform::setEnvironment(variable, temp.c_str());
    }
    EXPECT_EQ(folder.setTempPath(platform::programModule(), "n"), 1);
    EXPECT_EQ(folder.path().text(), joinPath(programFolder, "n")) << temp;
    EXPECT_EQ(folder.setTempPath(nullptr, "n"), 1);
    EXPECT_EQ(folder.path().text(), joinPath(system, "n")) << temp;
  }
}

TEST_F(FolderObjectTest, SetTempPathAsksTheVariablesInTurn) {
  const auto& variables = platform::temporaryBaseVariables();
  ASSERT_FALSE(variables.empty());
  EXPECT_STREQ(variables.front(), "TEMP");
  for (const char* variable : variables) test_platform::setEnvironment(variable, nullptr);
  const std::string later = joinPath(scratch(), "later");
  makeFolder(later);
  test_platform::setEnvironment(variables.back(), later.c_str());
  FolderObject folder;
  folder.setTempPath(nullptr, "x");
  // Only the last variable is set (TMPDIR on POSIX), and it counts.
  EXPECT_EQ(folder.path().text(), joinPath(later, "x"));
}

TEST_F(FolderObjectTest, SetTempPathPassesOverFoldersTheUserCannotWriteTo) {
  test_platform::runAsOrdinaryUser([] {
    const std::string base = test_platform::makeScratchFolder();
    ASSERT_FALSE(base.empty());
    const std::string closed = joinPath(base, "closed");
    makeFolder(closed);
    std::filesystem::permissions(
        closed, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    for (const char* variable : platform::temporaryBaseVariables()) {
      test_platform::setEnvironment(variable, closed.c_str());
    }
    FolderObject folder;
    EXPECT_EQ(folder.setTempPath(nullptr, "n"), 1);
    std::string system;
    ASSERT_EQ(platform::systemFolder(system), 1);
    // Windows chooses by free space alone, so there the closed folder still counts.
    if (platform::canCreateEntries(closed.c_str()) == 0) {
      EXPECT_EQ(folder.path().text(), joinPath(system, "n"));
    }
    std::filesystem::permissions(closed, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(base);
  });
}

}  // namespace
