#include "app/cli/command_line.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/player_generation.h"
#include "base/path_name.h"
#include "resedit/pe_file_resources.h"
#include "resedit/resource_updates.h"
#include "resedit/string_table_block.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

Lines linesOf(const std::string& text) {
  Lines lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The cells of a CSV line, quotes undone.
Lines csvCells(const std::string& line) {
  Lines cells(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      cells.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      cells.emplace_back();
    } else {
      cells.back() += c;
    }
  }
  return cells;
}

bool hasLine(const std::string& text, const std::string& line) {
  for (const std::string& l : linesOf(text)) {
    if (l == line) return true;
  }
  return false;
}

std::string resourceOf(const fs::path& installer, const char* name) {
  PeFileResources resources(PathName(installer.string().c_str()));
  std::vector<unsigned char> bytes;
  if (!resources.loadResource("BINARY", name, bytes)) return "<missing>";
  return std::string(bytes.begin(), bytes.end());
}

std::u16string string300(const fs::path& installer) {
  PeFileResources resources(PathName(installer.string().c_str()));
  std::vector<unsigned char> bytes;
  if (!resources.loadResource("#6", "#19", bytes)) return u"<missing>";
  StringTableBlock block;
  block.loadFromResource(bytes.data(), bytes.size());
  return block.entry(300 % 16).value_or(u"");
}

// A shell that answers the Save dialog and records the outcome, for the editor's generation.
class SavingShell : public Shell {
 public:
  explicit SavingShell(std::string destination) : destination_(std::move(destination)) {}
  void showSplash() override {}
  void closeSplash() override {}
  int runInstallerDialog(InstallerDialogModel&) override { return kIdCancel; }
  SharedString chooseSaveFile(const PathParts&) override {
    return SharedString(destination_.c_str());
  }
  using Shell::showMessage;
  void showMessage(int messageId, int failure, const std::string&) override {
    outcome = (failure ? "error " : "success ") + std::to_string(messageId);
  }
  int askYesNo(int, const char*) override { return 0; }
  std::unique_ptr<BrowserHost> createBrowserHost() override { return nullptr; }
  void watchTermination(std::function<void()>) override {}
  std::string outcome;

 private:
  std::string destination_;
};

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // The base is fixed before any test points TEMP at its own folder.
    static const fs::path base = fs::temp_directory_path();
    folder_ = base / (std::string("kx-cli-") + info->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    setenv("TEMP", folder_.string().c_str(), 1);
  }
  void TearDown() override { fs::remove_all(folder_); }

  int run(Lines arguments) {
    out.clear();
    err.clear();
    return runCommandLine(arguments, out, err);
  }
  fs::path file(const char* name) const { return folder_ / name; }
  std::string path(const char* name) const { return file(name).string(); }

  const std::string demo = KX_DEMO_INSTALLER;
  const std::string next = KX_DEMO_INSTALLER_NEXT;
  std::string out;
  std::string err;
  fs::path folder_;
};

TEST_F(CommandLineTest, UsageMistakesAndUnusableInputsHaveTheirOwnExitCodes) {
  EXPECT_EQ(run({}), 2);
  EXPECT_EQ(run({"frobnicate"}), 2);
  EXPECT_NE(err.find("unknown command \"frobnicate\""), std::string::npos);
  EXPECT_EQ(run({"show", demo, "--colour"}), 2);
  EXPECT_EQ(run({"show"}), 2);
  EXPECT_EQ(run({"generate", demo, "-o", path("out.exe")}), 2);
  EXPECT_EQ(run({"generate", demo, "--settings", "s.ini", "-o", "o.exe", "--install-mode", "loud"}),
            2);
  EXPECT_EQ(run({"export", demo, "--json"}), 2);
  EXPECT_EQ(run({"migrate", demo, next, "-o", path("o.exe"), "--report", path("r.txt")}), 2);

  EXPECT_EQ(run({"show", path("missing.exe")}), 3);
  EXPECT_EQ(err, "kestrix-config: " + path("missing.exe") + ": is not a file\n");
  EXPECT_EQ(run({"show", folder_.string()}), 3);
  writeFile(file("notes.txt"), "[setup]\r\nInstallMode=1\r\n");
  EXPECT_EQ(run({"show", path("notes.txt")}), 4);
  EXPECT_NE(err.find("is not a Windows executable"), std::string::npos);

  EXPECT_EQ(run({"--help"}), 0);
  for (const char* line :
       {"  2  usage: unknown command or option, missing argument",
        "  3  unreadable input: a file is missing or cannot be read",
        "  6  write failure: an output could not be written; what was there is left as it was"}) {
    EXPECT_TRUE(hasLine(out, line)) << line;
  }
  // The manual page, as the build writes it, documents the same exit codes with the same words
  // and names the version the program reports.
  std::string manual = readFile(KX_MANUAL_PAGE);
  EXPECT_NE(manual.find(std::string("\"kestrix-config ") + kProgramVersion + "\""),
            std::string::npos);
  std::replace(manual.begin(), manual.end(), '\n', ' ');
  for (const std::string& line : linesOf(out)) {
    if (line.size() < 6 || line.compare(0, 2, "  ") != 0 || line[2] < '0' || line[2] > '6' ||
        line.compare(3, 2, "  ") != 0)
      continue;
    std::string words = line.substr(5);
    words[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(words[0])));
    EXPECT_NE(manual.find(".B " + line.substr(2, 1) + " " + words), std::string::npos) << words;
  }
  EXPECT_EQ(run({"--version"}), 0);
  EXPECT_EQ(out, std::string("kestrix-config ") + kProgramVersion + "\n");
}

TEST_F(CommandLineTest, ShowAndExportReadBothCodePages) {
  EXPECT_EQ(run({"show", demo}), 0) << err;
  EXPECT_TRUE(hasLine(out, "Configuration code page: 1252"));
  EXPECT_TRUE(hasLine(out, "Product version: 6.0.14.0"));
  EXPECT_TRUE(hasLine(out, "Install mode: normal (\" /p\")"));
  EXPECT_TRUE(hasLine(out, "QuickTime preferences: present (" +
                               std::to_string(readFile(KX_DEMO_SOURCE "/quicktime.qtp").size()) +
                               " bytes)"));
  EXPECT_TRUE(hasLine(out, "Signed: no (generated installers are never signed)"));
  EXPECT_TRUE(hasLine(out, "Connection\t" +
                               std::string("Specify the amount of time Kestrix waits "
                                           "before reporting an error when receiving "
                                           "data from the server") +
                               "\tkx_preferences\tServerTimeout\t120\tlocked"));
  // Catalogue order: the first setting shown is the first the catalogue lists.
  const Lines lines = linesOf(out);
  EXPECT_EQ(lines[8].substr(0, lines[8].find('\t')), "Kestrix Options");

  EXPECT_EQ(run({"show", next, "--json"}), 0) << err;
  EXPECT_NE(out.find("\"codePage\":1251"), std::string::npos);
  EXPECT_NE(out.find("\"key\":\"FavoritesText1\",\"value\":\"Новости компании\",\"lock\":null"),
            std::string::npos);
  EXPECT_NE(out.find("\"category\":\"\",\"label\":\"\",\"section\":\"kx_preferences\",\"key\":"
                     "\"HardwareVideoDecoding\",\"value\":\"1\",\"lock\":\"0\""),
            std::string::npos);

  // Byte for byte, to standard output and to a file.
  EXPECT_EQ(run({"export", demo}), 0);
  EXPECT_TRUE(out == readFile(KX_DEMO_SOURCE "/kxenterprise.ini"));
  EXPECT_EQ(run({"export", next, "-o", path("next.ini")}), 0);
  EXPECT_TRUE(readFile(file("next.ini")) == readFile(KX_DEMO_SOURCE "/kxenterprise-next.ini"));
  EXPECT_EQ(run({"export", next, "-o", path("no/such/folder/next.ini")}), 6);
}

TEST_F(CommandLineTest, ValidateListsEverySettingThatBreaksTheRulesOfTheInstallersRelease) {
  writeFile(file("bad.ini"),
            "[kx_preferences]\r\nKey1=ServerTimeout\r\nValue1=999\r\nLocked1=7\r\n"
            "Key2=CountryID\r\nValue2=zz\r\nKey3=BufferedPlayTime\r\nValue3=ten\r\nPrefsCount=3\r\n"
            "[setup]\r\nInstallMode=5\r\n");
  EXPECT_EQ(run({"validate", path("bad.ini")}), 5);
  const Lines listed = linesOf(err);
  ASSERT_EQ(listed.size(), 4u) << err;
  const std::string prefix = "kestrix-config: " + path("bad.ini") + ": ";
  EXPECT_EQ(listed[0], prefix + "[kx_preferences] ServerTimeout = \"999\" (lock 7): " +
                           "Specify the amount of time Kestrix waits before reporting an error "
                           "when receiving data from the server: a lock of 0 (unlocked), 1 "
                           "(locked) or 2 (cannot be locked).");
  EXPECT_EQ(
      listed[1],
      prefix + "[kx_preferences] CountryID = \"zz\": Country/Region: one of the offered choices.");
  EXPECT_NE(listed[2].find("BufferedPlayTime = \"ten\": "), std::string::npos);
  EXPECT_NE(listed[2].find(": a whole number from 0 to 300."), std::string::npos);
  EXPECT_NE(listed[3].find("[setup] InstallMode = \"5\""), std::string::npos);

  // The 6.1 release narrowed the server time-out: 120 s passes for 6.0, not for 6.1.
  writeFile(file("timeout.ini"), "[kx_preferences]\r\nServerTimeout=120\r\n");
  EXPECT_EQ(run({"validate", path("timeout.ini"), "--installer", demo}), 0) << err;
  EXPECT_EQ(run({"validate", path("timeout.ini"), "--installer", next}), 5);
  EXPECT_NE(err.find(": a whole number from 0 to 60."), std::string::npos);
  EXPECT_EQ(run({"validate", path("timeout.ini"), "--installer", demo, "--quiet"}), 0) << err;
  EXPECT_EQ(out, "");
}

TEST_F(CommandLineTest, GenerateWritesWhatTheEditorWritesForTheSameEdits) {
  // The editor's way: a Workspace as import leaves it, with the page's saved file and its
  // unedited twin, generated through the editor's generation.
  const fs::path workspace = file("workspace");
  fs::create_directories(workspace / "cfadmin");
  fs::copy_file(next, workspace / "playinst.exe");
  const std::string original = readFile(KX_DEMO_SOURCE "/kxenterprise-next.ini");
  writeFile(workspace / "kxenterprise.ini", original);
  std::string unedited;
  ASSERT_EQ(run({"export", next}), 0);
  // The page saves UTF-8; edited: a value, a lock, a Cyrillic text and the installation mode.
  std::string page =
      "[kx_preferences]\r\nKey1=CountryID\r\nValue1=ru\r\nLocked1=1\r\n"
      "Key2=SendStatistics\r\nValue2=0\r\nLocked2=0\r\nPrefsCount=2\r\n\r\n"
      "[favorites]\r\nFavoritesText2=Обучение\r\n\r\n[setup]\r\nInstallMode=1\r\n";
  std::string pageUnedited =
      "[kx_preferences]\r\nKey1=CountryID\r\nValue1=de\r\nLocked1=1\r\n"
      "Key2=SendStatistics\r\nValue2=0\r\nLocked2=1\r\nPrefsCount=2\r\n\r\n"
      "[favorites]\r\nFavoritesText2=Training Videos\r\n\r\n"
      "[setup]\r\nInstallMode=2\r\n";
  writeFile(workspace / "cfadmin" / "kxenterprise.ini", page);
  writeFile(workspace / "cfadmin" / "kxunedited.ini", pageUnedited);
  SavingShell shell(path("editor.exe"));
  generatePlayer(shell, workspace.string().c_str());
  ASSERT_EQ(shell.outcome, "success 51");

  // The command line's way, with only the edits, in the installer's own code page.
  std::string settings =
      "[kx_preferences]\r\nCountryID=ru\r\nKey1=SendStatistics\r\nValue1=0\r\n"
      "Locked1=0\r\n"
      "PrefsCount=1\r\n[favorites]\r\nFavoritesText2=\xCE\xE1\xF3\xF7\xE5\xED"
      "\xE8\xE5\r\n";
  writeFile(file("edits.ini"), settings);
  EXPECT_EQ(run({"generate", next, "--settings", path("edits.ini"), "-o", path("cli.exe"),
                 "--install-mode", "normal", "--quiet"}),
            0)
      << err;
  EXPECT_EQ(out, "");
  EXPECT_TRUE(readFile(file("cli.exe")) == readFile(file("editor.exe")));
  EXPECT_EQ(string300(file("cli.exe")), u" /p");

  // Only the edited lines changed: value, lock and text; the install mode line of [setup].
  const Lines before = linesOf(original);
  const Lines after = linesOf(resourceOf(file("cli.exe"), "KXECONFIG"));
  ASSERT_EQ(before.size(), after.size());
  Lines changed;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i] != after[i]) changed.push_back(after[i]);
  }
  EXPECT_EQ(changed, (Lines{"Locked1=0", "Value7=ru", "InstallMode=1",
                            "FavoritesText2=\xCE\xE1\xF3\xF7\xE5\xED\xE8\xE5"}));

  // A settings file with every setting, as export gives it, changes nothing at all.
  ASSERT_EQ(run({"export", next, "-o", path("all.ini")}), 0);
  EXPECT_EQ(run({"generate", next, "--settings", path("all.ini"), "-o", path("same.exe")}), 0);
  EXPECT_EQ(resourceOf(file("same.exe"), "KXECONFIG"), original);
  EXPECT_EQ(out, path("same.exe") + ": written\n");
  // Its InstallMode=2 sets the switch, as the editor's generation does; this installer held " /p".
  // Once the switch agrees, the round trip gives the installer byte for byte.
  EXPECT_EQ(string300(file("same.exe")), u" /s");
  ASSERT_EQ(run({"export", path("same.exe"), "-o", path("again.ini")}), 0);
  EXPECT_EQ(
      run({"generate", path("same.exe"), "--settings", path("again.ini"), "-o", path("again.exe")}),
      0);
  EXPECT_TRUE(readFile(file("again.exe")) == readFile(file("same.exe")));
}

TEST_F(CommandLineTest, GenerateWritesNothingWhenASettingIsRefused) {
  writeFile(file("bad.ini"), "[kx_preferences]\r\nServerTimeout=120\r\nBufferedPlayTime=301\r\n");
  EXPECT_EQ(run({"generate", next, "--settings", path("bad.ini"), "-o", path("out.exe")}), 5);
  EXPECT_EQ(linesOf(err).size(), 2u) << err;
  EXPECT_FALSE(fs::exists(file("out.exe")));

  // A setting that must not exceed another is judged with the other's value as it will stand.
  writeFile(file("bandwidth.ini"), "[kx_preferences]\r\nMaxBandwidth=524300\r\n");
  EXPECT_EQ(run({"generate", next, "--settings", path("bandwidth.ini"), "-o", path("out.exe")}), 5);
  EXPECT_NE(err.find("[kx_preferences] Bandwidth = \"786432\": "), std::string::npos) << err;
  writeFile(file("bandwidth.ini"),
            "[kx_preferences]\r\nMaxBandwidth=524300\r\nBandwidth=524300\r\n");
  EXPECT_EQ(run({"generate", next, "--settings", path("bandwidth.ini"), "-o", path("bw.exe")}), 0)
      << err;

  // A text code page 1251 cannot hold is named with its setting; nothing is written either.
  writeFile(file("text.ini"), "[favorites]\r\nFavoritesText1=Café\r\n");
  EXPECT_EQ(run({"generate", next, "--settings", path("text.ini"), "-o", path("out.exe")}), 5);
  EXPECT_NE(err.find("FavoritesText1"), std::string::npos) << err;
  EXPECT_NE(err.find("1251"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(file("out.exe")));
  // The 1252 installer takes it, with the silent switch and the given QuickTime preferences.
  writeFile(file("qt.qtp"), "QuickTime preferences for the test");
  EXPECT_EQ(run({"generate", demo, "--settings", path("text.ini"), "-o", path("out.exe"),
                 "--install-mode", "silent", "--quicktime", path("qt.qtp")}),
            0)
      << err;
  EXPECT_EQ(string300(file("out.exe")), u" /s");
  EXPECT_EQ(resourceOf(file("out.exe"), "QTPREF"), "QuickTime preferences for the test");
  EXPECT_NE(resourceOf(file("out.exe"), "KXECONFIG").find("FavoritesText1=Caf\xE9\r\n"),
            std::string::npos);

  // An output that cannot be written is a write failure; the installer is only ever read, and an
  // output beside it is written once, taking its place whole.
  const std::string installer = readFile(demo);
  EXPECT_EQ(run({"generate", demo, "--settings", path("text.ini"), "-o", path("missing/out.exe")}),
            6);
  writeFile(file("in.exe"), installer);
  EXPECT_EQ(run({"generate", path("in.exe"), "--settings", path("text.ini"), "-o", path("out.exe"),
                 "--install-mode", "normal"}),
            0)
      << err;
  EXPECT_TRUE(readFile(file("in.exe")) == installer);
  EXPECT_TRUE(readFile(demo) == installer);
  EXPECT_EQ(string300(file("out.exe")), u" /p");
  for (const auto& entry : fs::directory_iterator(folder_)) {
    EXPECT_NE(entry.path().filename().string().rfind(".kxtmp-", 0), 0u) << entry.path();
  }

  // A string block that cannot be rewritten whole keeps its bytes, and a mode asked for is not
  // passed over in silence.
  const std::vector<unsigned char> damaged = {0xFF, 0xFF, 'x', 0};
  ASSERT_EQ(replaceResource(PathName(path("in.exe").c_str()), damaged.data(), 4,
                            SharedString("#19"), SharedString("#6"), AnyLanguage, 0, 0),
            1);
  EXPECT_EQ(run({"generate", path("in.exe"), "--settings", path("text.ini"), "-o", path("kept.exe"),
                 "--install-mode", "silent"}),
            0)
      << err;
  EXPECT_NE(err.find("has no string 300 that can be set"), std::string::npos) << err;
  std::vector<unsigned char> block;
  ASSERT_TRUE(PeFileResources(PathName(path("kept.exe").c_str())).loadResource("#6", "#19", block));
  EXPECT_EQ(block, damaged);
  EXPECT_EQ(run({"generate", demo, "--settings", path("text.ini"), "-o", path("kept.exe"),
                 "--install-mode", "silent"}),
            0);
  EXPECT_EQ(err.find("string 300"), std::string::npos) << err;
}

TEST_F(CommandLineTest, DiffListsTheSettingsThatDifferInCatalogueOrder) {
  EXPECT_EQ(run({"diff", demo, demo}), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(run({"diff", demo, next}), 1) << err;
  const Lines lines = linesOf(out);
  ASSERT_EQ(lines.size(), 5u) << out;
  EXPECT_EQ(lines[0], "category\tlabel\tsection\tkey\tvalue A\tlock A\tvalue B\tlock B");
  EXPECT_EQ(lines[1].substr(lines[1].find("\tkx_preferences")),
            "\tkx_preferences\tHurlErrInf\t0\tlocked\t(absent)\t");
  EXPECT_EQ(lines[2].substr(lines[2].find("\tkx_preferences")),
            "\tkx_preferences\tServerTimeout\t120\tlocked\t60\tlocked");
  EXPECT_EQ(lines[3].substr(lines[3].find("\tfavorites")),
            "\tfavorites\tFavoritesText1\tCorporate News\t\tНовости компании\t");
  EXPECT_EQ(lines[4], "\t\tkx_preferences\tHardwareVideoDecoding\t(absent)\t\t1\tunlocked");

  // A settings file against an installer, as JSON.
  writeFile(file("one.ini"),
            "[kx_preferences]\r\nKey1=ServerTimeout\r\nValue1=60\r\nLocked1=1\r\n"
            "PrefsCount=1\r\n");
  EXPECT_EQ(run({"diff", path("one.ini"), next, "--json"}), 1);
  EXPECT_NE(out.find("{\"category\":\"Internet Privacy\""), std::string::npos);
  EXPECT_EQ(out.find("ServerTimeout"), std::string::npos);
}

TEST_F(CommandLineTest, MigrateCarriesKeepsDropsAndRefusesAndReportsEverySetting) {
  // The customisation: a value, a lock and a favourite that code page 1251 cannot hold.
  writeFile(file("custom.ini"),
            "[kx_preferences]\r\nKey1=CountryID\r\nValue1=fr\r\nLocked1=0\r\n"
            "PrefsCount=1\r\n[favorites]\r\nFavoritesText2=Café Live\r\n");
  ASSERT_EQ(run({"generate", demo, "--settings", path("custom.ini"), "-o", path("custom.exe"),
                 "--install-mode", "silent"}),
            0)
      << err;
  EXPECT_EQ(run({"migrate", path("custom.exe"), next, "-o", path("migrated.exe"), "--report",
                 path("report.csv")}),
            0)
      << err;
  EXPECT_EQ(out, path("migrated.exe") + ": carried 173, kept 1, dropped 1, refused 2\n");
  EXPECT_EQ(linesOf(err).size(), 3u) << err;

  const Lines report = linesOf(readFile(file("report.csv")));
  // A line per setting of either installer: 176 customised ones and the new one, and the header.
  ASSERT_EQ(report.size(), 178u);
  EXPECT_EQ(report[0],
            "outcome,category,label,section,key,old value,old lock,new value,new lock,rule");
  Lines unusual;
  for (std::size_t i = 1; i < report.size(); ++i) {
    const std::string& line = report[i];
    // Every carried line gives the customised value and lock as the new ones.
    if (line.rfind("carried,", 0) == 0 && line.find("CountryID") == std::string::npos) {
      const Lines cells = csvCells(line);
      ASSERT_EQ(cells.size(), 10u) << line;
      EXPECT_EQ(cells[5] + "|" + cells[6], cells[7] + "|" + cells[8]) << line;
      continue;
    }
    unusual.push_back(line);
  }
  EXPECT_EQ(unusual,
            (Lines{
                "dropped,Internet Privacy,Send configuration info when connecting to technical "
                "support,kx_preferences,HurlErrInf,0,1,,,",
                "carried,Internet Privacy,Country/Region,kx_preferences,CountryID,fr,0,fr,0,",
                "refused,Connection,Specify the amount of time Kestrix waits before reporting an "
                "error when receiving data from the server,kx_preferences,ServerTimeout,120,1,60,"
                "1,Specify the amount of time Kestrix waits before reporting an error when "
                "receiving data from the server: a whole number from 0 to 60.",
                "refused,Favorites Menu,Favorites Menu Text 2,favorites,FavoritesText2,Café Live,,"
                "Training Videos,,cannot be written in code page 1251",
                "kept,,,kx_preferences,HardwareVideoDecoding,,,1,0,",
            }));

  // The new installer holds what was carried, its own value where a setting was refused, and the
  // customised installation mode.
  EXPECT_EQ(run({"diff", path("migrated.exe"), path("custom.exe")}), 1);
  EXPECT_EQ(linesOf(out).size(), 5u) << out;
  EXPECT_EQ(string300(file("migrated.exe")), u" /s");
  EXPECT_EQ(run({"migrate", path("custom.exe"), next, "-o", path("m.exe"), "--report",
                 path("report.html"), "-q"}),
            0);
  EXPECT_NE(readFile(file("report.html"))
                .find("<tr><td>kept</td><td></td><td></td><td>kx_preferences</td><td>"
                      "HardwareVideoDecoding</td><td></td><td></td><td>1</td><td>0</td><td></td>"
                      "</tr>"),
            std::string::npos);
  EXPECT_EQ(err, "");
}

}  // namespace
