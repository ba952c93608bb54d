// The settings' validation rules: the shared table of cases (rule_cases.txt) judged by the
// program's rules and, where Node.js is found, by the page's rules.js, which must give the very
// same message for every value; exact messages; the keys of the configuration file.
#include "config/setting_rules.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "config/catalogue.h"

namespace fs = std::filesystem;

namespace {

struct Case {
  int line;
  std::string setting;
  std::string value;
  bool valid;
};

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<Case> loadCases() {
  const char* source = std::getenv("KX_SOURCE_DIR");
  if (source == nullptr) return {};
  std::istringstream in(readFile(fs::path(source) / "tests/unit/config/rule_cases.txt"));
  std::vector<Case> cases;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = line.rfind('\t');
    Case c{number, line.substr(0, tab1), "", line.substr(tab2 + 1) == "valid"};
    const std::string raw = line.substr(tab1 + 1, tab2 - tab1 - 1);
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == 'n' || raw[i + 1] == 'r')) {
        c.value += raw[++i] == 'n' ? '\n' : '\r';
      } else {
        c.value += raw[i];
      }
    }
    cases.push_back(c);
  }
  return cases;
}

// The message for a case; "relation NAME" cases compare two values separated by a space.
std::string check(const std::string& name, const std::string& value) {
  const bool relation = name.rfind("relation ", 0) == 0;
  const std::string settingName = relation ? name.substr(9) : name;
  const CatalogueSetting* setting = findCatalogueSetting(settingName);
  if (setting == nullptr) return "no setting " + name;
  if (!relation) return checkSettingValue(*setting, value);
  const std::size_t space = value.find(' ');
  return checkSettingRelation(*setting, value.substr(0, space), value.substr(space + 1));
}

TEST(SettingRules, TheSharedCasesAreJudgedAsTheTableSays) {
  const std::vector<Case> cases = loadCases();
  ASSERT_GE(cases.size(), 80u) << "KX_SOURCE_DIR names the repository";
  for (const Case& c : cases) {
    const std::string message = check(c.setting, c.value);
    if (c.valid) {
      EXPECT_EQ(message, "") << "line " << c.line;
    } else {
      const std::string label(
          findCatalogueSetting(c.setting.substr(c.setting.rfind(' ') + 1))->label);
      EXPECT_EQ(message.substr(0, label.size() + 2), label + ": ") << "line " << c.line;
      EXPECT_EQ(message.back(), '.') << "line " << c.line;
    }
  }
}

TEST(SettingRules, MessagesNameTheSettingAndWhatItsRuleAsks) {
  EXPECT_EQ(check("HTTPProxyPort", "99999"),
            "Specify an HTTP port: a whole number from 0 to 65535.");
  EXPECT_EQ(check("ConnectionTimeout", " "),
            "Specify the amount of time Kestrix waits before reporting an error when connecting "
            "to the server: a value is required.");
  EXPECT_EQ(check("HTTPProxyHost", "web proxy !! <b>"),
            "Specify an HTTP proxy: a host name or IP address, such as proxy.example.com.");
  EXPECT_EQ(check("HomePage", "not a url"),
            "Kestrix Media Browser's Home Page URL: a web address such as "
            "http://www.example.com/.");
  EXPECT_EQ(check("UDPPortFlag", "80, 0-5"),
            "Specify the port(s) Kestrix will use to receive data: '0-5' is not a port from 1 to "
            "65535 or a port range such as 3030-3036.");
  EXPECT_EQ(checkSettingRelation(*findCatalogueSetting("Bandwidth"), "10485800", "1544000"),
            "Specify the normal bandwidth for accessing presentations: no more than \"Specify the "
            "maximum bandwidth for accessing presentations\".");
  // What was typed stays as typed, placeholders included.
  EXPECT_EQ(check("NoProxyFor", "good.example, {max}$&"),
            "Do not use proxies for the following hosts: '{max}$&' is not a host name or IP "
            "address (* stands for any part).");
}

TEST(SettingRules, KeysOfTheFileAreCheckedAsTheFileHoldsThem) {
  auto keyCheck = [](const char* section, const char* key, const char* value) {
    const CatalogueSetting* setting = findCatalogueSettingByKey(section, key);
    return setting == nullptr ? std::string("no key") : checkSettingKeyValue(*setting, key, value);
  };
  EXPECT_EQ(keyCheck("kx_preferences", "UseUDPPort", "1"), "");
  EXPECT_EQ(keyCheck("kx_preferences", "useudpport", "2"),
            "Specify the port(s) Kestrix will use to receive data: 0 or 1.");
  EXPECT_NE(keyCheck("kx_preferences", "UDPPort", "0"), "");
  EXPECT_EQ(keyCheck("kx_preferences", "UDPPort", "7070,3030-3036"), "");
  // Each key of a compound takes the parts its choices give at its place.
  EXPECT_EQ(keyCheck("kx_preferences", "HTTPProxySupport", "1"), "");
  EXPECT_EQ(keyCheck("kx_preferences", "UseSystemProxySettings", "1"), "");
  EXPECT_EQ(keyCheck("kx_preferences", "HTTPProxySupport", "2"),
            "Choose the appropriate HTTP proxy: one of the offered choices.");
  EXPECT_EQ(keyCheck("kx_preferences", "AudioDeviceSamplesPerSec", "48000"), "");
  EXPECT_NE(keyCheck("kx_preferences", "AudioDeviceSamplesPerSec", "44100"), "");
  // The file keeps the buffer time in milliseconds.
  EXPECT_EQ(keyCheck("wm_preferences", "CustomBufferTime", "60000"), "");
  EXPECT_EQ(
      keyCheck("wm_preferences", "CustomBufferTime", "60001"),
      "Specify how long Windows Media buffers streaming media: a whole number from 0 to 60000.");
  EXPECT_EQ(keyCheck("kx_preferences", "SuperBufferLength", "600000"), "");
  EXPECT_NE(keyCheck("kx_preferences", "SuperBufferLength", "5"), "");
  EXPECT_EQ(keyCheck("datatypes", "Kestrix.MP3.6", "0"), "");
  EXPECT_NE(keyCheck("datatypes", "Kestrix.MP3.6", "yes"), "");
}

// Prints, for each case of the table, the page's message (an empty line when valid).
const char kPageRunner[] = R"js(
const fs = require('fs'), vm = require('vm');
const [, , catalogue, rules, cases] = process.argv;
const context = {};
vm.createContext(context);
vm.runInContext(fs.readFileSync(rules.replace(/rules\.js$/, 'props.js'), 'utf8'), context);
vm.runInContext(fs.readFileSync(catalogue, 'utf8'), context);
vm.runInContext(fs.readFileSync(rules, 'utf8'), context);
const out = [];
for (const line of fs.readFileSync(cases, 'utf8').split('\n')) {
  if (line === '' || line[0] === '#') continue;
  const fields = line.split('\t');
  const value = fields[1].replace(/\\n/g, '\n').replace(/\\r/g, '\r');
  const relation = /^relation (.*)$/.exec(fields[0]);
  out.push(relation ? context.checkSettingRelation(relation[1], ...value.split(' '))
    : context.checkSetting(fields[0], value));
}
fs.writeFileSync(process.argv[5], out.join('\n') + '\n', 'utf8');
)js";

TEST(SettingRules, ThePageGivesTheSameMessageForEveryCase) {
#if !defined(KX_NODE) || !defined(KX_CATALOGUE_SCRIPT)
  GTEST_SKIP() << "Node.js was not found when the build was configured; the page's rules are "
                  "not run";
#else
  const char* source = std::getenv("KX_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  const std::vector<Case> cases = loadCases();
  const fs::path work =
      fs::temp_directory_path() /
      ("kx_rules_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(work);
  std::ofstream(work / "runner.js", std::ios::binary) << kPageRunner;
  const std::string command =
      std::string("\"") + KX_NODE + "\" \"" + (work / "runner.js").string() + "\" \"" +
      KX_CATALOGUE_SCRIPT + "\" \"" + source + "/site/cfadmin/rules.js\" \"" + source +
      "/tests/unit/config/rule_cases.txt\" \"" + (work / "out.txt").string() + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::istringstream out(readFile(work / "out.txt"));
  fs::remove_all(work);
  std::string message;
  for (const Case& c : cases) {
    ASSERT_TRUE(std::getline(out, message)) << "line " << c.line;
    EXPECT_EQ(message, check(c.setting, c.value)) << "line " << c.line << ": " << c.value;
  }
#endif
}

}  // namespace
