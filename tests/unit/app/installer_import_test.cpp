#include "app/installer_import.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app_test_support.h"
#include "scripted_shell.h"

#ifndef _WIN32
#include "tests/unit/file_size_limit.h"
#endif

namespace {

using namespace app_test;
using Log = std::vector<std::string>;

// A Workspace as preparation leaves it: the unpacked page, before any import.
class ImportTest : public ::testing::Test {
 protected:
  ImportTest() {
    fs::create_directories(workspace() / "cfadmin");
    writeFile(workspace() / "cfadmin" / "index.html", kPage);
  }
  fs::path workspace() const { return temp_.path() / "~kxent"; }
  int next(const fs::path& installer) {
    InstallerImport import(shell_, SharedString(workspace().string().c_str()));
    return import.next(installer.string().c_str());
  }
  std::vector<std::string> workspaceEntries() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(workspace())) {
      out.push_back(e.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  static constexpr const char* kPage = "<script>var serverData=[];</script>";
  TempFolder temp_;
  ScriptedShell shell_;
};

TEST_F(ImportTest, TheWorkingCopyAndThePageComeFromTheSameInstaller) {
  EXPECT_EQ(next(fixture("installer_plain.exe")), 0);
  EXPECT_EQ(shell_.messages(), (Log{"error 10"}));
  EXPECT_EQ(workspaceEntries(), (std::vector<std::string>{"cfadmin"})) << "nothing is left behind";
  EXPECT_EQ(readFile(workspace() / "cfadmin" / "index.html"), kPage);

  ASSERT_EQ(next(fixture("installer_payload.exe")), 1);
  EXPECT_TRUE(readFile(workspace() / "playinst.exe") == readFile(fixture("installer_payload.exe")));
  EXPECT_EQ(readFile(workspace() / "kxenterprise.ini"),
            readFile(fixtureSource("kxenterprise.ini")));
  EXPECT_NE(readFile(workspace() / "cfadmin" / "index.html"), kPage);
  EXPECT_EQ(workspaceEntries(),
            (std::vector<std::string>{"cfadmin", "kxenterprise.ini", "playinst.exe"}));
}

TEST_F(ImportTest, AnEmptyPathSaysWhatNextNeedsAndTheNoteNamesTheFile) {
  EXPECT_EQ(next(""), 0);
  EXPECT_EQ(shell_.messages(), (Log{"error 30"}));
  EXPECT_EQ(workspaceEntries(), (std::vector<std::string>{"cfadmin"}));

  EXPECT_EQ(installerFieldNote(""), "Type the installer's path or use Browse.");
  EXPECT_EQ(installerFieldNote("/a/very/long/path/to/the/kits/setup.exe"), "Installer: setup.exe");
  EXPECT_EQ(installerFieldNote("setup.exe"), "Installer: setup.exe");
  EXPECT_EQ(installerFieldNote("/a/folder/"), "Type the installer's path or use Browse.");
}

TEST_F(ImportTest, AConfigurationThatCannotBeSavedIsReportedWithItsPathAndNoCopyIsKept) {
  // A folder stands where the configuration goes.
  fs::create_directories(workspace() / "kxenterprise.ini");
  EXPECT_EQ(next(fixture("installer_full.exe")), 0);
  EXPECT_EQ(shell_.messages(), (Log{"error 25"}));
  const std::string& reason = shell_.reasons.back();
  EXPECT_NE(reason.find((workspace() / "kxenterprise.ini").string()), std::string::npos) << reason;
  EXPECT_EQ(workspaceEntries(), (std::vector<std::string>{"cfadmin", "kxenterprise.ini"}));
  EXPECT_EQ(readFile(workspace() / "cfadmin" / "index.html"), kPage);
}

#ifndef _WIN32
TEST_F(ImportTest, AnInstallerThatCannotBeCopiedWholeIsRefusedWithTheWorkspaceAsItWas) {
  // Larger than the configuration and the page, smaller than the installer with its payload.
  const std::uint64_t limit = 128 * 1024;
  ASSERT_GT(fs::file_size(fixture("installer_payload.exe")), limit);
  const auto refusedWithReason = [&] {
    if (next(fixture("installer_payload.exe")) != 0) return 1;
    if (shell_.messages() != Log{"error 10"}) return 2;
    if (shell_.reasons.back().find("playinst.exe") == std::string::npos) return 3;
    return 0;
  };
  EXPECT_EQ(test_support::runWithFileSizeLimit(limit, refusedWithReason), 0)
      << "1: accepted; 2: another message; 3: no reason naming the working copy";
  EXPECT_EQ(workspaceEntries(), (std::vector<std::string>{"cfadmin"}));
  EXPECT_EQ(readFile(workspace() / "cfadmin" / "index.html"), kPage);

  // After a refusal another installer goes in whole; a second failed copy keeps it and its page.
  ASSERT_EQ(next(fixture("installer_full.exe")), 1);
  const std::string page = readFile(workspace() / "cfadmin" / "index.html");
  EXPECT_EQ(test_support::runWithFileSizeLimit(limit, refusedWithReason), 0);
  EXPECT_TRUE(readFile(workspace() / "playinst.exe") == readFile(fixture("installer_full.exe")));
  EXPECT_EQ(readFile(workspace() / "kxenterprise.ini"),
            readFile(fixtureSource("kxenterprise.ini")));
  EXPECT_EQ(readFile(workspace() / "cfadmin" / "index.html"), page);
  EXPECT_EQ(workspaceEntries(),
            (std::vector<std::string>{"cfadmin", "kxenterprise.ini", "playinst.exe"}));
}
#endif

}  // namespace
