#include "app/player_generation.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>

#include "app/message_table.h"
#include "app/save_destination.h"
#include "app_test_support.h"
#include "platform/ansi_text.h"
#include "resedit/pe/resource_update_batch.h"
#include "scripted_shell.h"

#ifndef _WIN32
#include <cerrno>
#include <cstring>

#include "tests/unit/file_size_limit.h"
#endif

namespace {

using namespace app_test;
using Log = std::vector<std::string>;

// A Workspace as import leaves it: the installer's configuration, the working copy and the page's
// saved configuration.
class GenerationTest : public ::testing::Test {
 protected:
  void prepare(const char* installer, const std::string& configuration) {
    fs::create_directories(workspace() / "cfadmin");
    fs::copy_file(fixture(installer), workingCopy(), fs::copy_options::overwrite_existing);
    writeFile(workspace() / "kxenterprise.ini", kInstallers);
    writeFile(workspace() / "cfadmin" / "kxenterprise.ini", configuration);
  }
  // The configuration every fixture installer carries.
  const std::string kInstallers = readFile(fixtureSource("kxenterprise.ini"));
  fs::path workspace() const { return temp_.path() / "~kxent"; }
  fs::path workingCopy() const { return workspace() / "playinst.exe"; }
  fs::path destination(const char* name) const { return temp_.path() / name; }
  Log generateTo(const fs::path& target, QuickTimeConsent* consent = nullptr) {
    shell_.log.clear();
    shell_.saveAnswers = {target.string()};
    if (consent != nullptr) {
      generatePlayer(shell_, workspace().string().c_str(), *consent);
    } else {
      generatePlayer(shell_, workspace().string().c_str());
    }
    return shell_.messages();
  }

  TempFolder temp_;
  ScriptedShell shell_;
};

TEST_F(GenerationTest, InstallModeChoosesTheSwitch) {
  struct Case {
    const char* setup;
    std::u16string expected;
  } cases[] = {{"", u" /p"},
               {"[setup]\r\nInstallMode=1\r\n", u" /p"},
               {"[setup]\r\nInstallMode=2\r\n", u" /s"},
               {"[SETUP]\r\ninstallmode = 2\r\n", u" /s"},
               {"[setup]\r\nInstallMode=0\r\n", u" /q"},
               {"[setup]\r\nInstallMode=7\r\n", u" /q"}};
  for (const auto& c : cases) {
    prepare("installer_full.exe", std::string("[kx_preferences]\r\nCount=0\r\n") + c.setup);
    EXPECT_EQ(generateTo(destination("mode.exe")), (Log{"success 51"})) << c.setup;
    EXPECT_EQ(string300(destination("mode.exe")), c.expected) << c.setup;
  }
}

TEST_F(GenerationTest, TheSavedConfigurationIsAppliedToTheInstallersAndNothingElseMoves) {
  const std::string configuration =
      "[setup]\r\nInstallMode=0\r\n[favorites]\r\nFavoritesCount=3\r\n";
  prepare("installer_payload.exe", configuration);
  EXPECT_EQ(generateTo(destination("custom.exe")), (Log{"success 51"}));
  EXPECT_EQ(resourceOf(destination("custom.exe"), "KXECONFIG"),
            "[kx_preferences]\nCount=1\nKey0=HomePage\nValue0=http://www.example.com/\nLock0=1\n"
            "[setup]\nInstallMode=0\n\n[favorites]\nFavoritesCount=3\n");
  EXPECT_EQ(resourceOf(destination("custom.exe"), "QTPREF"), readFile(fixtureSource("qtpref.bin")));
  EXPECT_EQ(string300(destination("custom.exe")), u" /q");
  // The working copy keeps the edits, and the destination is a snapshot of it.
  EXPECT_TRUE(readFile(workingCopy()) == readFile(destination("custom.exe")));
}

TEST_F(GenerationTest, QuickTimePreferencesAreEmbeddedOnlyOnceTheAdministratorConfirmedTheirPath) {
  const fs::path preferences = temp_.path() / "qt.plist";
  writeFile(preferences, "new QuickTime preferences");
  const std::string asked = "question 20 " + preferences.string() + "\n25 bytes";
  const auto configuration = [](const fs::path& location, int apply = 1) {
    return "[qt_preferences]\r\nApplyQTPrefs=" + std::to_string(apply) +
           "\r\nQuickTimeLocation=" + location.string() + "\r\n";
  };

  // Declined: nothing is written, and nothing more is said.
  prepare("installer_full.exe", configuration(preferences));
  const std::string before = readFile(workingCopy());
  shell_.yesNoAnswers = {0};
  EXPECT_EQ(generateTo(destination("declined.exe")), (Log{asked}));
  EXPECT_FALSE(fs::exists(destination("declined.exe")));
  EXPECT_TRUE(readFile(workingCopy()) == before);

  // Confirmed once in a run: later generations with the same path do not ask again.
  QuickTimeConsent consent;
  shell_.yesNoAnswers = {1};
  EXPECT_EQ(generateTo(destination("qt.exe"), &consent), (Log{asked, "success 51"}));
  EXPECT_EQ(resourceOf(destination("qt.exe"), "QTPREF"), "new QuickTime preferences");
  writeFile(preferences, "changed");
  EXPECT_EQ(generateTo(destination("again.exe"), &consent), (Log{"success 51"}));
  EXPECT_EQ(resourceOf(destination("again.exe"), "QTPREF"), "changed");

  // A path that is not a full local one (here relative; on Windows also a share) is not looked at
  // before the administrator agrees: the question says its size is not known.
  prepare("installer_full.exe", configuration("elsewhere/qt.plist"));
  shell_.yesNoAnswers = {0};
  EXPECT_EQ(generateTo(destination("remote.exe")),
            (Log{"question 20 elsewhere/qt.plist\nsize not known before it is read"}));
  EXPECT_FALSE(fs::exists(destination("remote.exe")));

  // Not asked for: the resource keeps its content, and no file is looked at.
  prepare("installer_full.exe", configuration(temp_.path() / "absent.plist", 0));
  EXPECT_EQ(generateTo(destination("off.exe")), (Log{"success 51"}));
  EXPECT_EQ(resourceOf(destination("off.exe"), "QTPREF"), readFile(fixtureSource("qtpref.bin")));

  // An installer without the resource never gains one.
  prepare("installer_no_qtpref.exe", configuration(preferences));
  EXPECT_EQ(generateTo(destination("none.exe"), &consent), (Log{"success 51"}));
  EXPECT_EQ(resourceOf(destination("none.exe"), "QTPREF"), "<missing>");
}

TEST_F(GenerationTest, AQuickTimeFileThatIsMissingOrNotAFileStopsGenerationNamingIt) {
  for (const fs::path& location : {temp_.path() / "absent.plist", temp_.path(), fs::path()}) {
    prepare("installer_full.exe", "[qt_preferences]\r\nApplyQTPrefs=1\r\nQuickTimeLocation=" +
                                      location.string() + "\r\n");
    const std::string before = readFile(workingCopy());
    shell_.yesNoAnswers = {1};
    EXPECT_EQ(generateTo(destination("failed.exe")), (Log{"error 21"}));
    EXPECT_EQ(shell_.reasons.back(), location.string());
    EXPECT_FALSE(fs::exists(destination("failed.exe")));
    EXPECT_TRUE(readFile(workingCopy()) == before);
  }
}

TEST_F(GenerationTest, GeneratingTwiceGivesTwoFilesThatDifferOnlyByTheEdits) {
  prepare("installer_full.exe", "[setup]\r\nInstallMode=1\r\n");
  EXPECT_EQ(generateTo(destination("first.exe")), (Log{"success 51"}));
  writeFile(workspace() / "cfadmin" / "kxenterprise.ini", "[setup]\r\nInstallMode=0\r\nX=1\r\n");
  EXPECT_EQ(generateTo(destination("second.exe")), (Log{"success 51"}));
  EXPECT_EQ(string300(destination("first.exe")), u" /p");
  // Edits accumulate in the working copy: mode 0 keeps the switch of the first run.
  EXPECT_EQ(string300(destination("second.exe")), u" /p");
  // Each run applies the page's result to the installer's own configuration, not to the last run's.
  EXPECT_EQ(resourceOf(destination("first.exe"), "KXECONFIG"), kInstallers);
  EXPECT_EQ(resourceOf(destination("second.exe"), "KXECONFIG"),
            "[kx_preferences]\nCount=1\nKey0=HomePage\nValue0=http://www.example.com/\nLock0=1\n"
            "[setup]\nInstallMode=0\nX=1\n");
}

// The editor's generation decides as the command line's does: a switch the installer already
// holds is no edit, so an installer that holds every edit is handed out byte for byte, whatever
// its string block carries after its sixteen entries.
TEST_F(GenerationTest, AnInstallerThatAlreadyHoldsEveryEditIsCopiedByteForByte) {
  prepare("installer_full.exe", "[setup]\r\nInstallMode=1\r\n");
  std::vector<std::uint8_t> block;
  for (int index = 0; index < 16; ++index) {
    const std::u16string text = index == 2 ? u"Setup" : index == 12 ? u" /p" : u"";
    for (char16_t unit : std::u16string(1, static_cast<char16_t>(text.size())) + text) {
      block.push_back(static_cast<std::uint8_t>(unit));
      block.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
  }
  block.insert(block.end(), {0, 0});
  pe::ResourceUpdateBatch batch;
  ASSERT_TRUE(batch.begin(workingCopy().string(), ""));
  ASSERT_TRUE(batch.update(pe::ResourceId::integer(6), pe::ResourceId::integer(19), 1031, block));
  ASSERT_TRUE(batch.end(false));
  const std::string before = readFile(workingCopy());
  EXPECT_EQ(generateTo(destination("same.exe")), (Log{"success 51"}));
  EXPECT_TRUE(readFile(destination("same.exe")) == before);
  EXPECT_TRUE(readFile(workingCopy()) == before);
}

void setVariable(const char* name, const char* value) {
#if defined(_WIN32)
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
#endif
}

TEST_F(GenerationTest, AValueTheCodePageCannotHoldIsRefusedNamingTheSetting) {
  if (platform::editorTextCodePage() != 65001) {
    GTEST_SKIP() << "the page writes in the system's code page here, which holds what it wrote";
  }
  // A Cyrillic letter cannot be written in 1252, the code page of these installers.
  prepare("installer_full.exe", "[setup]\r\nHomePage=\xD0\x96\r\n");
  const std::string before = readFile(workingCopy());
  EXPECT_EQ(generateTo(destination("refused.exe")), (Log{"error 23"}));
  EXPECT_EQ(shell_.reasons.back(), "Setting \"HomePage\", code page 1252");
  EXPECT_FALSE(fs::exists(destination("refused.exe")));
  EXPECT_TRUE(readFile(workingCopy()) == before);
  // Naming another code page lets it through, written in that code page.
  setVariable("KESTRIX_CODEPAGE", "1251");
  EXPECT_EQ(generateTo(destination("cyrillic.exe")), (Log{"success 51"}));
  setVariable("KESTRIX_CODEPAGE", nullptr);
  EXPECT_NE(resourceOf(destination("cyrillic.exe"), "KXECONFIG").find("HomePage=\xC6\n"),
            std::string::npos);
}

TEST_F(GenerationTest, CancellingTheSaveDialogDoesNothing) {
  prepare("installer_full.exe", "[setup]\r\nInstallMode=2\r\n");
  const std::string before = readFile(workingCopy());
  EXPECT_EQ(generateTo(""), Log{});
  EXPECT_EQ(shell_.log, (Log{"save dialog"}));
  EXPECT_EQ(readFile(workingCopy()), before);
}

TEST_F(GenerationTest, MissingFilesAreReportedWithMessage11NamingThem) {
  prepare("installer_full.exe", "[setup]\r\n");
  fs::remove(workingCopy());
  EXPECT_EQ(generateTo(destination("a.exe")), (Log{"error 11"}));
  EXPECT_EQ(shell_.reasons.back(), workingCopy().string());
  prepare("installer_full.exe", "[setup]\r\n");
  fs::remove(workspace() / "cfadmin" / "kxenterprise.ini");
  EXPECT_EQ(generateTo(destination("b.exe")), (Log{"error 11"}));
  EXPECT_EQ(shell_.reasons.back(), (workspace() / "cfadmin" / "kxenterprise.ini").string());
  EXPECT_FALSE(fs::exists(destination("a.exe")));
  EXPECT_FALSE(fs::exists(destination("b.exe")));
}

TEST_F(GenerationTest, AnExistingDestinationIsReplacedWholeAndTheSuccessNamesIt) {
  prepare("installer_full.exe", "[setup]\r\nInstallMode=2\r\n");
  writeFile(destination("old.exe"), std::string(1 << 20, 'o'));
  EXPECT_EQ(generateTo(destination("old.exe")), (Log{"success 51"}));
  EXPECT_EQ(shell_.reasons.back(), destination("old.exe").string());
  EXPECT_TRUE(readFile(destination("old.exe")) == readFile(workingCopy()));
}

TEST_F(GenerationTest, AFailedCopyIsReportedWithItsReasonAndKeepsWhatWasThere) {
  prepare("installer_full.exe", "[setup]\r\nInstallMode=2\r\n");
  EXPECT_EQ(generateTo(temp_.path() / "no-such-folder" / "x.exe"), (Log{"error 12"}));
  EXPECT_NE(shell_.reasons.back().find("no-such-folder"), std::string::npos);
  // A folder in the destination's place cannot be replaced by the file.
  fs::create_directories(destination("taken.exe") / "inside");
  EXPECT_EQ(generateTo(destination("taken.exe")), (Log{"error 12"}));
  EXPECT_NE(shell_.reasons.back().find(destination("taken.exe").string()), std::string::npos);
  EXPECT_TRUE(fs::is_directory(destination("taken.exe") / "inside"));
  std::vector<fs::path> left = temp_.entries();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<fs::path>{"taken.exe", "~kxent"})) << "no temporary file is left";
}

#ifndef _WIN32
TEST_F(GenerationTest, AFullDiskIsAFailureWithItsReasonAndNeverASuccessOverATruncatedFile) {
  prepare("installer_payload.exe", "[setup]\r\nInstallMode=2\r\n");
  writeFile(destination("player.exe"), "previous player");
  const std::string before = readFile(workingCopy());
  const int outcome = test_support::runWithFileSizeLimit(64 * 1024, [&] {
    if (generateTo(destination("player.exe")) != Log{"error 12"}) return 1;
    if (shell_.reasons.back().find(std::strerror(EFBIG)) == std::string::npos) return 2;
    return 0;
  });
  EXPECT_EQ(outcome, 0) << "1: not reported as a failure; 2: no reason";
  EXPECT_EQ(readFile(destination("player.exe")), "previous player");
  EXPECT_TRUE(readFile(workingCopy()) == before);
}

TEST_F(GenerationTest, LinksPlantedBesideTheWorkingCopyOrTheDestinationAreNeverWrittenThrough) {
  prepare("installer_full.exe", "[setup]\r\nInstallMode=2\r\n");
  const fs::path victim = temp_.path() / "victim.txt";
  writeFile(victim, "the user's own file");
  fs::create_symlink(victim, destination("player.exe.kxpart"));
  fs::create_symlink(victim, workspace() / "playinst.exe.kxnew");
  EXPECT_EQ(generateTo(destination("player.exe")), (Log{"success 51"}));
  EXPECT_EQ(readFile(victim), "the user's own file");
  EXPECT_EQ(string300(destination("player.exe")), u" /s");
}
#endif

TEST_F(GenerationTest, ADestinationInsideTheWorkspaceIsRefusedBecauseItWouldBeDeleted) {
  prepare("installer_full.exe", "[setup]\r\nInstallMode=2\r\n");
  const std::string before = readFile(workingCopy());
  EXPECT_EQ(generateTo(workingCopy()), (Log{"error 12"}));
  EXPECT_EQ(generateTo(workspace() / "cfadmin" / "x.exe"), (Log{"error 12"}));
  EXPECT_EQ(shell_.reasons.back().find((workspace() / "cfadmin" / "x.exe").string()), 0u)
      << shell_.reasons.back();
  EXPECT_FALSE(fs::exists(workspace() / "cfadmin" / "x.exe"));
  EXPECT_TRUE(fs::exists(workingCopy()));
}

TEST_F(GenerationTest, ADamagedWorkingCopyIsNeverHandedOutAsASuccess) {
  prepare("installer_full.exe", "[setup]\r\nInstallMode=2\r\n");
  const std::string whole = readFile(workingCopy());
  writeFile(workingCopy(), whole.substr(0, 200));
  EXPECT_EQ(generateTo(destination("broken.exe")), (Log{"error 12"}));
  EXPECT_NE(shell_.reasons.back().find(workingCopy().string()), std::string::npos);
  EXPECT_FALSE(fs::exists(destination("broken.exe")));
}

// A payload the rewrite cannot keep valid (here a ZIP end record over a damaged directory, which a
// larger configuration would move) refuses the edit, and the message says why.
TEST_F(GenerationTest, AnEditTheInstallerCannotTakeIsReportedWithTheEnginesReason) {
  // A long new value makes the configuration outgrow its place.
  prepare("installer_full.exe",
          "[setup]\r\nInstallMode=2\r\nHomePage=" + std::string(30000, 'x') + "\r\n");
  std::string installer = readFile(workingCopy());
  const std::uint32_t directorySize = 3 * 46;
  const auto directoryOffset = static_cast<std::uint32_t>(installer.size());
  installer += std::string(directorySize, 'x');
  installer += std::string("PK\5\6\0\0\0\0\3\0\3\0", 12);
  for (std::uint32_t value : {directorySize, directoryOffset})
    for (int shift = 0; shift < 32; shift += 8) installer += static_cast<char>(value >> shift);
  installer += std::string(2, '\0');
  writeFile(workingCopy(), installer);

  EXPECT_EQ(generateTo(destination("refused.exe")), (Log{"error 12"}));
  EXPECT_NE(shell_.reasons.back().find("ZIP"), std::string::npos) << shell_.reasons.back();
  EXPECT_EQ(readFile(workingCopy()), installer);
  EXPECT_FALSE(fs::exists(destination("refused.exe")));
}

TEST_F(GenerationTest, TheSaveDialogSuggestsACustomNameBesideTheInstaller) {
  prepare("installer_full.exe", "[setup]\r\n");
  QuickTimeConsent consent;
  const fs::path installer = temp_.path() / "kits" / "Player Setup.EXE";
  shell_.saveAnswers = {""};
  generatePlayer(shell_, workspace().string().c_str(), consent, installer.string().c_str());
  ASSERT_EQ(shell_.saveSuggestions.size(), 1u);
  EXPECT_EQ(shell_.saveSuggestions[0].folder, installer.parent_path().string());
  EXPECT_EQ(shell_.saveSuggestions[0].name, "Player Setup-custom.exe");
}

TEST(SaveSuggestion, TheInstallersNameLosesItsExtensionAndGainsCustom) {
  struct Case {
    const char* installer;
    const char* folder;
    const char* name;
  } cases[] = {{"/srv/kits/setup.exe", "/srv/kits", "setup-custom.exe"},
               {"/setup.exe", "/", "setup-custom.exe"},
               {"player.v2.exe", "", "player.v2-custom.exe"},
               {"/srv/kits/setup", "/srv/kits", "setup-custom.exe"},
               {"/srv/.kit", "/srv", ".kit-custom.exe"},
               {"/srv/kits/", "", ""},
               {"", "", ""}};
  for (const Case& c : cases) {
    const PathParts parts = suggestedDestination(c.installer);
    EXPECT_EQ(parts.folder, c.folder) << c.installer;
    EXPECT_EQ(parts.name, c.name) << c.installer;
  }
  EXPECT_EQ(suggestedDestination(nullptr).name, "");
}

TEST(MessageComposition, TheDetailTakesThePlaceOfItsMarkOrFollowsTheText) {
  EXPECT_EQ(composeMessage("Could not generate the player.\n%s",
                           "Cannot write /x/y.exe: No space left on device"),
            "Could not generate the player.\nCannot write /x/y.exe: No space left on device");
  EXPECT_EQ(composeMessage("Player generated:\n%s", "/x/y.exe"), "Player generated:\n/x/y.exe");
  EXPECT_EQ(composeMessage("File is not valid.", "/x/y.exe: too short"),
            "File is not valid.\n\n/x/y.exe: too short");
  EXPECT_EQ(composeMessage("Could not generate the player.\n%s", ""),
            "Could not generate the player.");
  EXPECT_EQ(composeMessage("Error", ""), "Error");
  // A detail that itself holds "%s" is shown as it is.
  EXPECT_EQ(composeMessage("a %s b", "%s"), "a %s b");
}

TEST(FolderContainment, PathsInsideAndOutside) {
  TempFolder temp;
  const fs::path ws = temp.path() / "ws";
  fs::create_directories(ws / "cfadmin");
  EXPECT_EQ(isInsideFolder((ws / "a.exe").string().c_str(), ws.string().c_str()), 1);
  EXPECT_EQ(isInsideFolder((ws / "cfadmin" / ".." / "b.exe").string().c_str(), ws.string().c_str()),
            1);
  EXPECT_EQ(isInsideFolder(ws.string().c_str(), ws.string().c_str()), 1);
  EXPECT_EQ(isInsideFolder((temp.path() / "wsx.exe").string().c_str(), ws.string().c_str()), 0);
  EXPECT_EQ(isInsideFolder((ws / ".." / "c.exe").string().c_str(), ws.string().c_str()), 0);

  // Other spellings of the same folder: all capitals where the file system ignores letter case
  // (as Windows does), and a link to it.
  std::string upper = ws.string();
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(isInsideFolder((fs::path(upper) / "PLAYER.EXE").string().c_str(), ws.string().c_str()),
            fs::exists(upper) ? 1 : 0);
  std::error_code error;
  fs::create_directory_symlink(ws, temp.path() / "link", error);
  if (!error) {
    EXPECT_EQ(
        isInsideFolder((temp.path() / "link" / "d.exe").string().c_str(), ws.string().c_str()), 1);
  }
}

}  // namespace
