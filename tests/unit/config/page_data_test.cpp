// The page-data block: which entries a configuration yields, in which order, with which locks, and
// how the page file is rewritten around it.
#include "config/page_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "page_keys.h"
#include "platform/ansi_text.h"

namespace fs = std::filesystem;

namespace {

struct Entry {
  std::string key;
  std::string value;
  std::string lock;  // empty when the entry has no lock line
  bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << "{" << e.key << ", " << e.value << ", " << (e.lock.empty() ? "-" : e.lock) << "}";
}

std::string str(const SharedString& s) { return std::string(s.text(), s.length()); }

// Reads back a block of plain keys and values (no escapes), checking the shape of every line.
std::vector<Entry> entriesOf(const std::string& block) {
  std::vector<Entry> entries;
  const std::string first = "var serverData=[];\r\n";
  EXPECT_EQ(block.substr(0, first.size()), first);
  std::size_t pos = first.size();
  while (pos < block.size()) {
    const std::size_t end = block.find("\r\n", pos);
    EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
    if (end == std::string::npos) break;
    const std::string line = block.substr(pos, end - pos);
    pos = end + 2;
    const std::string head = "serverData[\"";
    EXPECT_EQ(line.substr(0, head.size()), head) << line;
    const std::size_t close = line.find("\"]", head.size());
    const std::string key = line.substr(head.size(), close - head.size());
    const std::string rest = line.substr(close + 2);
    if (rest == "=[];") {
      entries.push_back({key, "", ""});
      continue;
    }
    EXPECT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().key, key) << line;
    const std::string value = "[\"SuggestedValue\"]=\"";
    const std::string locked = "[\"IsLocked\"]=";
    if (rest.rfind(value, 0) == 0) {
      EXPECT_EQ(rest.substr(rest.size() - 2), "\";");
      entries.back().value = rest.substr(value.size(), rest.size() - value.size() - 2);
    } else if (rest.rfind(locked, 0) == 0) {
      EXPECT_EQ(rest.back(), ';');
      entries.back().lock = rest.substr(locked.size(), rest.size() - locked.size() - 1);
    } else {
      ADD_FAILURE() << "unexpected line " << line;
    }
  }
  return entries;
}

std::vector<Entry> entriesFor(const std::string& ini) {
  IniFile config;
  config.parse(ini);
  return entriesOf(str(buildPageData(config)));
}

const Entry* findEntry(const std::vector<Entry>& entries, const std::string& key) {
  for (const Entry& e : entries) {
    if (e.key == key) return &e;
  }
  return nullptr;
}

TEST(PageDataTest, AnEmptyConfigurationYieldsEveryTableEntryWithoutLocks) {
  const std::vector<Entry> entries = entriesFor("[kx_preferences]\r\nPrefsCount=0\r\n");
  ASSERT_EQ(entries.size(), 49u);
  EXPECT_EQ(entries.front(), (Entry{"ApplyKXPrefs", "", ""}));
  std::vector<std::string> names;
  for (const Entry& e : entries) {
    EXPECT_EQ(e.value + e.lock, "") << e;
    names.push_back(e.key);
  }
  std::vector<std::string> wanted = alwaysCarriedPageNames();
  std::sort(names.begin(), names.end());
  std::sort(wanted.begin(), wanted.end());
  EXPECT_EQ(names, wanted);
}

TEST(PageDataTest, EveryValueThePageReadsFromPlainSectionsReachesIt) {
  // Each key gets a value of its own, whole thousands so that a scaled number divides exactly.
  std::map<std::string, std::string> sections;
  std::vector<std::pair<std::string, std::string>> wanted;
  long long value = 1000;
  for (const PagePlainKey& key : pagePlainKeys()) {
    sections[key.section] += key.fileKey + "=" + std::to_string(value) + "\r\n";
    wanted.emplace_back(key.pageName, std::to_string(value / key.scale));
    value += 1000;
  }
  std::string ini;
  for (const auto& [section, lines] : sections) ini += "[" + section + "]\r\n" + lines;
  const std::vector<Entry> entries = entriesFor(ini);
  for (const auto& [name, shown] : wanted) {
    const Entry* e = findEntry(entries, name);
    ASSERT_NE(e, nullptr) << name;
    EXPECT_EQ(*e, (Entry{name, shown, ""}));
  }
}

TEST(PageDataTest, CountedRecordsSkipNamelessOnesAndCarryTheirLocks) {
  const std::vector<Entry> entries = entriesFor(
      "[kx_preferences]\r\nApplyKXPrefs=1\r\nPrefsCount=4\r\n"
      "Key1=MaxBandwidth\r\nValue1=1544000\r\n"  // no lock key: locked 0
      "Value2=orphan\r\nLocked2=1\r\n"           // no name: skipped
      "Key3=Volume\r\nValue3=50\r\nLocked3=-1\r\n"
      "Key4=Shuffle\r\nLocked4=1\r\n"
      "Key5=beyond the count\r\n"
      "[datatypes]\r\nDatatypeCount=1\r\nDataType1=Kestrix.MP3.6\r\nStatus1=1\r\nLocked1=2\r\n");
  const std::vector<Entry> head(entries.begin(), entries.begin() + 5);
  EXPECT_EQ(head, (std::vector<Entry>{{"ApplyKXPrefs", "1", ""},
                                      {"MaxBandwidth", "1544000", "0"},
                                      {"Volume", "50", ""},
                                      {"Shuffle", "", "1"},
                                      {"Kestrix-MP3-6", "1", "2"}}));
  EXPECT_EQ(entries.size(), 5u + 48u);
  EXPECT_EQ(findEntry(entries, "beyond the count"), nullptr);

  // A count of any size finds the records the file holds, in number order; the names must be
  // exactly what "Key%d" writes, without regard to case.
  const std::vector<Entry> sparse = entriesFor(
      "[kx_preferences]\r\nPrefsCount=2147483647\r\nkey2147483647=last\r\nKEY10=ten\r\n"
      "Key9=nine\r\nKey010=zero-led\r\nKey+3=signed\r\nKey2147483648=beyond\r\n"
      "[datatypes]\r\nDatatypeCount=1000000000\r\nDATATYPE1000000000=t\r\n"
      "datatype1000000001=beyond\r\nLocked1000000000=-1\r\n");
  const std::vector<Entry> sparseHead(sparse.begin(), sparse.begin() + 5);
  EXPECT_EQ(sparseHead, (std::vector<Entry>{{"ApplyKXPrefs", "", ""},
                                            {"nine", "", "0"},
                                            {"ten", "", "0"},
                                            {"last", "", "0"},
                                            {"t", "", ""}}));
  EXPECT_EQ(sparse.size(), 5u + 48u);

  // Counts below one give no records at all.
  EXPECT_EQ(entriesFor("[kx_preferences]\r\nPrefsCount=-3\r\nKey1=a\r\n[datatypes]\r\n"
                       "DatatypeCount=0\r\nDatatype1=b\r\n")
                .size(),
            49u);
}

TEST(PageDataTest, WindowsMediaBandwidthAndBufferTime) {
  const auto bufferEntry = [](const std::string& line) {
    const std::vector<Entry> entries = entriesFor("[wm_preferences]\r\n" + line + "\r\n");
    const Entry* e = findEntry(entries, "CustomBufferTime");
    return e == nullptr ? std::string("none") : e->value + (e->lock.empty() ? "" : "!locked");
  };
  EXPECT_EQ(bufferEntry("CustomBufferTime=5500"), "5");
  EXPECT_EQ(bufferEntry("CustomBufferTime=0"), "0");
  EXPECT_EQ(bufferEntry("CustomBufferTime=-1999"), "-1");
  EXPECT_EQ(bufferEntry("CustomBufferTime=-1"), "none");
  EXPECT_EQ(bufferEntry("UseTCP=1"), "none");

  const std::vector<Entry> withBandwidth =
      entriesFor("[wm_preferences]\r\nMaxBandwidth=256000\r\nCustomBufferTime=3000\r\n");
  // The two computed entries sit between the Windows Media table and the QuickTime keys.
  const std::vector<Entry> middle(withBandwidth.begin() + 24, withBandwidth.begin() + 27);
  EXPECT_EQ(middle, (std::vector<Entry>{{"WM_MaxBandwidth", "256000", ""},
                                        {"CustomBufferTime", "3", ""},
                                        {"ApplyQTPrefs", "", ""}}));
  EXPECT_EQ(findEntry(entriesFor("[wm_preferences]\r\nMaxBandwidth=\r\n"), "WM_MaxBandwidth"),
            nullptr);
}

TEST(PageDataTest, EntriesAreEscapedScriptStringsFormedWhole) {
  EXPECT_EQ(str(formatPageEntry("Kestrix.Path", "C:\\Program Files\\\"Kestrix\"", 1)),
            "serverData[\"Kestrix-Path\"]=[];\r\n"
            "serverData[\"Kestrix-Path\"][\"SuggestedValue\"]=\"C:\\\\Program "
            "Files\\\\\\\"Kestrix\\\"\";\r\n"
            "serverData[\"Kestrix-Path\"][\"IsLocked\"]=1;\r\n");
  // Texts are read by character in the configuration's code page and everything outside
  // printable ASCII becomes an escape: a trail byte 0x5C is no backslash, and the separators
  // U+2028/U+2029 never appear raw.
  EXPECT_EQ(
      str(formatPageEntry("a<b", "</script>\r\n\xE2\x80\xA8\xE2\x80\xA9", -1, 65001)),
      "serverData[\"a\\x3Cb\"]=[];\r\n"
      "serverData[\"a\\x3Cb\"][\"SuggestedValue\"]=\"\\x3C/script>\\r\\n\\u2028\\u2029\";\r\n");
  EXPECT_EQ(str(formatPageEntry("\x83\x5C.n", "\x95\x5C\"", 0, 932)),
            "serverData[\"\\u30BD-n\"]=[];\r\n"
            "serverData[\"\\u30BD-n\"][\"SuggestedValue\"]=\"\\u8868\\\"\";\r\n"
            "serverData[\"\\u30BD-n\"][\"IsLocked\"]=0;\r\n");
  // Bytes no character is made of (the system decides what they read as) still give one
  // well-formed line of printable ASCII: three literals, nothing ending one early.
  for (const auto& [codePage, value] : {std::pair<unsigned, const char*>{65001, "\xE2\x80x\xE9\""},
                                        {932, "\x83\"\x83"},
                                        {936, "\x81\\\x81"}}) {
    const std::string line = str(formatPageEntry("k", value, -1, codePage));
    const std::size_t second = line.find("\r\n") + 2;
    const std::string valueLine = line.substr(second);
    int quotes = 0;
    for (std::size_t i = 0; i < valueLine.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(valueLine[i]);
      EXPECT_TRUE((c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n') << codePage;
      if (c == '\\') ++i;
      if (c == '"') ++quotes;
    }
    EXPECT_EQ(quotes, 6) << codePage << ": " << valueLine;
    EXPECT_EQ(valueLine.substr(valueLine.size() - 4), "\";\r\n") << codePage;
  }
  EXPECT_EQ(str(formatPageEntry("k", "Liv\xE9\x81\x80\x01", -1, 1252)),
            "serverData[\"k\"]=[];\r\n"
            "serverData[\"k\"][\"SuggestedValue\"]=\"Liv\\u00E9\\u0081\\u20AC\\u0001\";\r\n");
  EXPECT_EQ(str(formatPageEntry("k", "", -2147483647 - 1)),
            "serverData[\"k\"]=[];\r\nserverData[\"k\"][\"SuggestedValue\"]=\"\";\r\n"
            "serverData[\"k\"][\"IsLocked\"]=-2147483648;\r\n");

  const std::string key(255, 'k');
  const std::string value(255, '\\');
  const std::string entry = str(formatPageEntry(key.c_str(), value.c_str(), -1));
  const std::string expectedValueLine =
      "serverData[\"" + key + "\"][\"SuggestedValue\"]=\"" + std::string(510, '\\') + "\";\r\n";
  EXPECT_NE(entry.find(expectedValueLine), std::string::npos);
}

TEST(PageDataTest, TheInstallersNameIsAScriptStringEscapedAsValuesAre) {
  // The name is the system's narrow text (UTF-8 on Linux, the ANSI code page on Windows), whatever
  // the configuration's code page.
  std::string name;
  ASSERT_TRUE(platform::utf16ToAnsi(u"kx \"5\" <b>\\\u00E9.exe", name));
  EXPECT_EQ(str(formatInstallerName(name.c_str())),
            "var installerName=\"kx \\\"5\\\" \\x3Cb>\\\\\\u00E9.exe\";\r\n");
  EXPECT_EQ(str(formatInstallerName(nullptr)), "var installerName=\"\";\r\n");
}

TEST(PageDataTest, NamedAndIndexedEntriesReadTheirKeys) {
  IniFile config;
  config.parse(
      "[setup]\r\nhomepage=http://a.invalid/\r\n[datatypes]\r\nDataType7=x.y\r\n"
      "status7=on\r\nlocked7=1\r\n");
  EXPECT_EQ(str(readNamedEntry(config, "setup", "HomePage")),
            str(formatPageEntry("HomePage", "http://a.invalid/", -1)));
  EXPECT_EQ(str(readNamedEntry(config, "setup", "InstallPath")),
            str(formatPageEntry("InstallPath", "", -1)));
  EXPECT_EQ(str(readIndexedEntry(config, "datatypes", "Datatype%d", "Status%d", 7)),
            str(formatPageEntry("x.y", "on", 1)));
  EXPECT_EQ(str(readIndexedEntry(config, "datatypes", "Datatype%d", "Status%d", 6)), "");
}

class PageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    workspace_ = fs::temp_directory_path() /
                 ("kx_page_data_" +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(workspace_ / "cfadmin");
  }
  void TearDown() override { fs::remove_all(workspace_); }

  void write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  fs::path page() const { return workspace_ / "cfadmin" / "index.html"; }
  fs::path config() const { return workspace_ / "kxenterprise.ini"; }
  void run() { writePageData(PathName(workspace_.string().c_str())); }

  fs::path workspace_;
};

const std::string kPageHead = "<html><script id=\"serverdata\">\r\n//<PRE>\r\n";
const std::string kPageTail = "\r\n//<PRE>\r\n</script></html>";

TEST_F(PageFileTest, OnlyTheFirstPlaceholderIsReplacedAndTheRestStays) {
  write(config(), "[setup]\r\nHomePage=http://a.invalid/\r\n");
  const std::string second = "\r\nvar serverData=[];";
  write(page(), kPageHead + "var serverData=[];" + kPageTail + second);
  run();

  IniFile expectedConfig;
  expectedConfig.parse(read(config()));
  EXPECT_EQ(read(page()), kPageHead + str(buildPageData(expectedConfig)) + kPageTail + second);
}

TEST_F(PageFileTest, TheInstallersNameFollowsTheSettingsInTheBlock) {
  write(config(), "[setup]\r\nHomePage=http://a.invalid/\r\n");
  write(page(), kPageHead + "var serverData=[];" + kPageTail);
  writePageData(PathName(workspace_.string().c_str()), 0, "setup.exe");

  IniFile expectedConfig;
  expectedConfig.parse(read(config()));
  EXPECT_EQ(read(page()), kPageHead + str(buildPageData(expectedConfig)) +
                              "var installerName=\"setup.exe\";\r\n" + kPageTail);
}

TEST_F(PageFileTest, LaterEntriesOverrideEarlierOnesInTheBlockOrder) {
  write(config(),
        "[kx_preferences]\r\nPrefsCount=1\r\nKey1=HomePage\r\nValue1=record\r\nLocked1=1\r\n"
        "[setup]\r\nHomePage=table\r\n");
  write(page(), kPageHead + "var serverData=[];" + kPageTail);
  run();
  const std::string text = read(page());
  const std::size_t record = text.find("[\"SuggestedValue\"]=\"record\"");
  const std::size_t table = text.find("[\"SuggestedValue\"]=\"table\"");
  ASSERT_NE(record, std::string::npos);
  ASSERT_NE(table, std::string::npos);
  EXPECT_LT(record, table);
  // The table entry's first line comes after the record's lock and resets the record.
  EXPECT_LT(text.find("serverData[\"HomePage\"][\"IsLocked\"]=1;"),
            text.rfind("serverData[\"HomePage\"]=[];"));
}

TEST_F(PageFileTest, TheQuickTimeFileIsDescribedByALookAtItNeverByItsBytes) {
  const auto described = [&](const std::string& location) {
    write(config(), "[qt_preferences]\r\nApplyQTPrefs=1\r\nQuickTimeLocation=" + location + "\r\n");
    write(page(), kPageHead + "var serverData=[];" + kPageTail +
                      "<script>var quickTimeFile=null;</script>");
    run();
    const std::string text = read(page());
    const std::size_t at = text.find("var quickTimeFile=");
    return at == std::string::npos ? text : text.substr(at, text.rfind("</script>") - at);
  };
  const auto script = [](const std::string& text) {
    std::string out;
    for (const char c : text) {
      if (c == '\\' || c == '"') out += '\\';
      out += c == '<' ? std::string("\\x3C") : std::string(1, c);
    }
    return out;
  };
  const auto expected = [&](const std::string& path, const char* state, int size) {
    return "var quickTimeFile={\"path\":\"" + script(path) + "\",\"state\":\"" + state +
           "\",\"size\":" + std::to_string(size) + "};";
  };

  const std::string file = (workspace_ / "qt #1.qtp").string();
  write(file, std::string(1234, 'q'));
  EXPECT_EQ(described(file), expected(file, "regular", 1234));
  const std::string missing = (workspace_ / "none \"<b>.qtp").string();
  EXPECT_EQ(described(missing), expected(missing, "missing", 0));
  EXPECT_EQ(described(workspace_.string()), expected(workspace_.string(), "other", 0));
  // Neither a relative path nor another computer's share is looked at.
  EXPECT_EQ(described("qt.qtp"), expected("qt.qtp", "unexamined", 0));
  EXPECT_EQ(described("\\\\server\\share\\qt.qtp"),
            expected("\\\\server\\share\\qt.qtp", "unexamined", 0));
#ifndef _WIN32
  // A device is not a file to build in; it is not opened to find that out.
  EXPECT_EQ(described("/dev/zero"), expected("/dev/zero", "other", 0));
#endif
  EXPECT_EQ(described(""), "var quickTimeFile=null;");
}

TEST_F(PageFileTest, FailuresLeaveThePageAsItWas) {
  const std::string original = kPageHead + "var serverData=[];" + kPageTail;

  // No configuration file: nothing is read or written.
  write(page(), original);
  run();
  EXPECT_EQ(read(page()), original);

  // A folder in place of the configuration file counts as missing.
  fs::create_directory(config());
  run();
  EXPECT_EQ(read(page()), original);
  fs::remove(config());

  // No page: none is created.
  write(config(), "[setup]\r\nInstallMode=1\r\n");
  fs::remove(page());
  run();
  EXPECT_FALSE(fs::exists(page()));

  // An empty page stays empty and is not written, nor is one whose text ends at a NUL byte
  // before it begins; a page without the placeholder is written back unchanged.
  write(page(), "");
  run();
  EXPECT_EQ(read(page()), "");
  const std::string nulFirst = std::string(1, '\0') + original;
  write(page(), nulFirst);
  // Dated back, as a rewrite would date it now; read back, as some systems keep whole seconds.
  fs::last_write_time(page(), fs::file_time_type::clock::now() - std::chrono::hours(48));
  const fs::file_time_type longAgo = fs::last_write_time(page());
  run();
  EXPECT_EQ(read(page()), nulFirst);
  EXPECT_EQ(fs::last_write_time(page()), longAgo);
  write(page(), "<html>no placeholder</html>");
  run();
  EXPECT_EQ(read(page()), "<html>no placeholder</html>");
}

TEST_F(PageFileTest, BytesAfterANulInThePageAreKept) {
  write(config(), "[setup]\r\nInstallMode=1\r\n");
  const std::string withNul = kPageHead + "var serverData=[];" + std::string(1, '\0') + kPageTail;
  write(page(), withNul);
  run();
  const std::string text = read(page());
  EXPECT_EQ(text.substr(text.size() - kPageTail.size() - 1), std::string(1, '\0') + kPageTail);
  EXPECT_NE(text.find("serverData[\"InstallMode\"][\"SuggestedValue\"]=\"1\";"), std::string::npos);
}

}  // namespace
