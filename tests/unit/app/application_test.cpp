#include "app/application.h"

#include <gtest/gtest.h>

#include "app_test_support.h"
#include "scripted_shell.h"

namespace {

using namespace app_test;
using Log = std::vector<std::string>;

const std::string kEditedConfiguration =
    "[kx_preferences]\r\nCount=1\r\nKey0=HomePage\r\nValue0=http://intranet/\r\nLock0=1\r\n"
    "[setup]\r\nInstallMode=2";

TEST(RunApplication, NoUniqueWorkspaceEndsQuietlyWithoutDeletingAnything) {
  TempFolder temp;
  // Every one of the thousand names is taken by a folder with contents.
  for (const char* prefix : {"~kxent"}) fs::create_directory(temp.path() / prefix);
  std::vector<std::string> names = {"~kxent"};
  for (int i = 0; i < 10; ++i) names.push_back("~kxen" + std::to_string(i));
  for (int i = 10; i < 100; ++i) names.push_back("~kxe" + std::to_string(i));
  for (int i = 100; i < 999; ++i) names.push_back("~kx" + std::to_string(i));
  for (const auto& name : names) {
    fs::create_directories(temp.path() / name);
    writeFile(temp.path() / name / "keep", "x");
  }
  ScriptedShell shell;
  FixtureResources resources(true);
  EXPECT_EQ(runApplication(shell, resources, nullptr), 0);
  EXPECT_EQ(shell.log, (Log{"splash", "splash closed"}));
  for (const auto& name : names) EXPECT_TRUE(fs::exists(temp.path() / name / "keep")) << name;
}

TEST(RunApplication, CancellingTheDialogRemovesTheWorkspace) {
  TempFolder temp;
  ScriptedShell shell;
  shell.dialogSteps = {ScriptedShell::kCancel};
  FixtureResources resources(true);
  EXPECT_EQ(runApplication(shell, resources, nullptr), 0);
  // The splash stays until the dialog is up; the browser starts behind the dialog.
  EXPECT_EQ(shell.log, (Log{"splash", "dialog", "splash closed", "host window", "warm-up"}));
  EXPECT_TRUE(temp.entries().empty());
}

TEST(RunApplication, ARequestToEndRemovesTheWorkspaceAndIsNotKeptBeyondTheRun) {
  TempFolder temp;
  ScriptedShell shell;
  shell.dialogSteps = {fixture("installer_full.exe").string()};
  fs::path workspace;
  shell.session = [&](BrowserHost& host) {
    workspace = host.workspacePath();
    ASSERT_TRUE(fs::exists(workspace / "playinst.exe"));
    ASSERT_TRUE(shell.onTermination);
    shell.onTermination();
    EXPECT_FALSE(fs::exists(workspace)) << "the Workspace goes before the program ends";
  };
  FixtureResources resources(true);
  EXPECT_EQ(runApplication(shell, resources, nullptr), 0);
  ASSERT_FALSE(workspace.empty()) << "the editor was shown";
  EXPECT_FALSE(shell.onTermination) << "nothing is left to act on a Workspace that is gone";
  EXPECT_TRUE(temp.entries().empty());
}

TEST(RunApplication, AnEditorThatCouldNotBeWrittenIsReportedWithItsPathAndEndsTheRun) {
  TempFolder temp;
  ScriptedShell shell;
  shell.dialogSteps = {fixture("installer_full.exe").string()};
  FixtureResources noArchive(false);
  EXPECT_EQ(runApplication(shell, noArchive, nullptr), 0);
  // The dialog appears while the editor is written, and ends as soon as it is known to be missing,
  // before any installer is taken.
  EXPECT_EQ(shell.log,
            (Log{"splash", "dialog", "splash closed", "host window", "warm-up", "error 24"}));
  EXPECT_EQ(shell.dialogSteps.size(), 1u);
  ASSERT_EQ(shell.reasons.size(), 1u);
  EXPECT_NE(shell.reasons[0].find(PathName("~kxent").join("cfadmin.zip").text()), std::string::npos)
      << shell.reasons[0];
  EXPECT_TRUE(temp.entries().empty());
}

TEST(RunApplication, ImportRefusesBadChoicesUntilARealInstallerIsGiven) {
  TempFolder temp;
  ScriptedShell shell;
  shell.dialogSteps = {"",
                       (temp.path() / "missing.exe").string(),
                       temp.path().string(),
                       fixture("installer_plain.exe").string(),
                       fixture("site.zip").string(),
                       fixture("installer_payload.exe").string()};
  fs::path workspace;
  shell.session = [&](BrowserHost& host) {
    workspace = host.workspacePath();
    EXPECT_EQ(readFile(workspace / "kxenterprise.ini"),
              readFile(fixtureSource("kxenterprise.ini")));
    EXPECT_TRUE(readFile(workspace / "playinst.exe") == readFile(fixture("installer_payload.exe")));
    const std::string page = readFile(workspace / "cfadmin" / "index.html");
    EXPECT_NE(page.find("HomePage"), std::string::npos) << "the page carries the configuration";
    EXPECT_NE(page.find("var installerName=\"installer_payload.exe\";"), std::string::npos)
        << "the page names the installer it edits";
  };
  FixtureResources resources(true);
  EXPECT_EQ(runApplication(shell, resources, nullptr), 0);
  EXPECT_EQ(shell.messages(), (Log{"error 30", "error 13", "error 13", "error 10", "error 10"}));
  ASSERT_FALSE(workspace.empty()) << "the editor was shown";
  EXPECT_EQ(shell.log.back(), std::string("navigate ") + PathName(workspace.string().c_str())
                                                             .join("cfadmin")
                                                             .join("index.html")
                                                             .toFileUrl()
                                                             .text());
  EXPECT_TRUE(temp.entries().empty());
}

TEST(RunApplication, AFullRunGeneratesACustomisedInstallerAndLeavesNoWorkspace) {
  TempFolder temp;
  const fs::path out = temp.path() / "out";
  fs::create_directories(out);
  ScriptedShell shell;
  shell.dialogSteps = {fixture("installer_payload.exe").string()};
  shell.saveAnswers = {(out / "custom.exe").string()};
  shell.session = [&](BrowserHost& host) {
    // The page saves its configuration through the host, then follows the generate link.
    ASSERT_EQ(host.onWriteFile("kxenterprise.ini", kEditedConfiguration.c_str()), 1);
    host.onBeforeNavigate("javascript:onGenerate()");
    // The page hears how each generation ended: a cancelled Save dialog wrote nothing.
    ASSERT_EQ(shell.log.back(), "generation ended 1");
    host.onBeforeNavigate("javascript:onGenerate()");
    ASSERT_EQ(shell.log.back(), "generation ended 0");
    // Closing with edits the page has not seen generated asks first; No keeps the window.
    shell.yesNoAnswers = {0, 1};
    EXPECT_EQ(host.mayClose(BrowserHost::PageEdits::kUnsaved), 0);
    EXPECT_EQ(host.mayClose(BrowserHost::PageEdits::kUnsaved), 1);
  };
  FixtureResources resources(true);
  EXPECT_EQ(runApplication(shell, resources, nullptr), 0);
  EXPECT_EQ(shell.messages(), (Log{"success 51", "question 33 ", "question 33 "}));
  EXPECT_EQ(shell.reasons, (std::vector<std::string>{(out / "custom.exe").string()}));
  ASSERT_EQ(shell.saveSuggestions.size(), 2u);
  EXPECT_EQ(shell.saveSuggestions[0].folder,
            fixture("installer_payload.exe").parent_path().string());
  EXPECT_EQ(shell.saveSuggestions[0].name, "installer_payload-custom.exe");
  const fs::path custom = out / "custom.exe";
  // The page's edits are applied to the installer's own configuration, lines and line ends kept.
  EXPECT_EQ(resourceOf(custom, "KXECONFIG"),
            "[kx_preferences]\nCount=1\nKey0=HomePage\nValue0=http://intranet/\nLock0=1\n"
            "[setup]\nInstallMode=2\n");
  EXPECT_EQ(string300(custom), u" /s");
  EXPECT_EQ(resourceOf(custom, "QTPREF"), readFile(fixtureSource("qtpref.bin")));
  const std::string generated = readFile(custom);
  const std::string payload(300000, 'P');
  ASSERT_GE(generated.size(), payload.size());
  EXPECT_TRUE(generated.substr(generated.size() - payload.size()) == payload) << "payload intact";
  EXPECT_EQ(temp.entries(), (std::vector<fs::path>{"out"}));
}

}  // namespace
