// The page block evaluated by a real script engine (Node.js): every key and value must arrive in
// `serverData` as the characters the configuration file held in its code page (judged by Node's
// own decoders), however hostile, and nothing in a value may end the literal or the script element
// early. Skipped when Node.js was not found.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "config/page_data.h"
#include "page_keys.h"

namespace fs = std::filesystem;

namespace {

// Runs the data script element of the page in a fresh context and compares every record of
// `serverData` with the expected file: one line per record, hex(key bytes) TAB hex(value bytes)
// TAB IsLocked|none, the bytes decoded by a decoder of its own (Node's or Python's). Prints
// "ok" or the differences.
const char kEvaluator[] = R"js(
const fs = require('fs'), vm = require('vm');
const [, , pagePath, expectedPath, label] = process.argv;
const page = fs.readFileSync(pagePath, 'latin1');
if (/[^\x09\x0a\x0d\x20-\x7e]/.test(page)) { console.log('page holds a byte outside printable ASCII'); }
const m = /<script id="serverdata">([\s\S]*?)<\/script>/i.exec(page);
if (!m) { console.error('no data script element'); process.exit(2); }
const context = {};
vm.runInNewContext(m[1], context);
// Node 20's TextDecoder reads windows-1252 as ISO-8859-1, so that code page is judged by Python's
// decoder instead, with each byte it leaves undefined standing for itself as on Windows.
const lines = fs.readFileSync(expectedPath, 'latin1').split('\n').filter((l) => l !== '');
let text;
if (label.startsWith('python:')) {
  const script = 'import json, sys\n' +
    'out = {}\n' +
    'for h in sys.stdin.read().split():\n' +
    '    s = bytes.fromhex(h).decode(sys.argv[1], "surrogateescape")\n' +
    '    out[h] = "".join(chr(ord(c) - 0xDC00) if 0xDC80 <= ord(c) <= 0xDCFF else c for c in s)\n' +
    'print(json.dumps(out))\n';
  const hexes = lines.flatMap((l) => l.split('\t').slice(0, 2)).map((h) => h || '');
  const decoded = JSON.parse(require('child_process').execFileSync('/usr/bin/python3',
    ['-c', script, label.slice(7)], { input: hexes.filter((h) => h).join('\n') }).toString());
  text = (hex) => (hex === '' ? '' : decoded[hex]);
} else {
  const decoder = new TextDecoder(label);
  text = (hex) => decoder.decode(Buffer.from(hex, 'hex'));
}
const expected = {};
for (const line of lines) {
  const [key, value, lock] = line.split('\t');
  expected[text(key)] = [text(value), lock];
}
const seen = Object.keys(context.serverData);
let ok = seen.length === Object.keys(expected).length;
if (!ok) console.log('records: ' + seen.length + ' expected ' + Object.keys(expected).length);
for (const key of seen) {
  const record = context.serverData[key];
  const lock = record.IsLocked === undefined ? 'none' : String(record.IsLocked);
  const want = expected[key];
  if (!want || want[0] !== record.SuggestedValue || want[1] !== lock) {
    ok = false;
    console.log(JSON.stringify(key) + ': ' + JSON.stringify([record.SuggestedValue, lock]) +
                ' expected ' + JSON.stringify(want));
  }
}
if (ok) console.log('ok');
)js";

const std::string kPageHead = "<html><head><script id=\"serverdata\">\r\n//<PRE>\r\n";
const std::string kPageTail =
    "\r\n//<PRE>\r\n</script><script>if (!window.serverData) serverData = {};</script>"
    "</head></html>";

std::string hex(const std::string& bytes) {
  std::string out;
  for (const unsigned char c : bytes) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", c);
    out += two;
  }
  return out;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string dashed(std::string key) {
  for (char& c : key) {
    if (c == '.') c = '-';
  }
  return key;
}

struct Record {
  std::string name;
  std::string value;
  std::string lock;
};

class PageScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
#if !defined(KX_NODE)
    GTEST_SKIP() << "Node.js was not found when the build was configured; the page block is "
                    "not evaluated";
#endif
    work_ = fs::temp_directory_path() /
            ("kx_page_script_" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(work_ / "cfadmin");
    std::ofstream(work_ / "evaluate.js", std::ios::binary) << kEvaluator;
  }
  void TearDown() override {
    if (!work_.empty()) fs::remove_all(work_);
  }

  // Writes the records (and the setup section) as a configuration of `codePage`, makes the page
  // from it, and returns what the script engine said of it against `expectedLines`.
  std::string evaluate(const std::vector<Record>& records, const std::string& setup,
                       unsigned codePage, const char* label,
                       const std::vector<std::string>& expectedLines) {
    std::string ini = "[kx_preferences]\r\nPrefsCount=" + std::to_string(records.size()) + "\r\n";
    for (std::size_t i = 0; i < records.size(); ++i) {
      const std::string n = std::to_string(i + 1);
      ini += "Key" + n + "=" + records[i].name + "\r\nValue" + n + "=" + records[i].value +
             "\r\nLocked" + n + "=" + records[i].lock + "\r\n";
    }
    ini += "[setup]\r\n" + setup;
    std::ofstream(work_ / "kxenterprise.ini", std::ios::binary) << ini;
    std::ofstream(work_ / "cfadmin" / "index.html", std::ios::binary)
        << kPageHead << "var serverData=[];" << kPageTail;
    {
      std::ofstream expected(work_ / "expected.txt", std::ios::binary);
      for (const std::string& line : expectedLines) expected << line << "\n";
    }

    writePageData(PathName(work_.string().c_str()), codePage);
    const std::string page = readFile(work_ / "cfadmin" / "index.html");
    EXPECT_EQ(page.substr(0, kPageHead.size()), kPageHead);
    EXPECT_EQ(page.substr(page.size() - kPageTail.size()), kPageTail);

#if defined(KX_NODE)
    const std::string command =
        std::string("\"") + KX_NODE + "\" \"" + (work_ / "evaluate.js").string() + "\" \"" +
        (work_ / "cfadmin" / "index.html").string() + "\" \"" + (work_ / "expected.txt").string() +
        "\" " + label + " > \"" + (work_ / "out.txt").string() + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
#else
    (void)label;
#endif
    return readFile(work_ / "out.txt");
  }

  // What the page must hold: every table key with an empty value, the records on top, and the
  // setup's HomePage last, since the table entry comes after the records.
  static std::vector<std::string> expected(const std::vector<Record>& records,
                                           const std::string& homePage) {
    std::map<std::string, std::pair<std::string, std::string>> page;
    page["ApplyKXPrefs"] = {"", "none"};
    for (const std::string& key : alwaysCarriedPageNames()) {
      page[key] = {"", "none"};
    }
    for (const Record& r : records) page[dashed(r.name)] = {r.value, r.lock};
    page["HomePage"] = {homePage, "none"};
    std::vector<std::string> lines;
    for (const auto& [key, record] : page) {
      lines.push_back(hex(key) + "\t" + hex(record.first) + "\t" + record.second);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  fs::path work_;
};

std::string allHighBytes() {
  std::string bytes;
  for (int c = 0x80; c <= 0xFF; ++c) bytes += static_cast<char>(c);
  return bytes;
}

std::vector<Record> hostileRecords() {
  std::string longValue;
  while (longValue.size() < 255) longValue += "\\\"<x";
  longValue.resize(255);
  return {
      {"Kestrix.Quote\"Key", "say \"hi\" and 'bye'", "1"},
      {"back\\slash\\", "C:\\Program Files\\Kestrix\\", "0"},
      {"</script>", "</script><script>throw new Error('ran')</script><!--", "2"},
      {"long", longValue, "-5"},
      {std::string(255, 'K'), "key of 255 characters", "1"},
      {"escapes", "\\u0041\\x41\\n\\ and ${template} `tick`", "0"},
      {"controls",
       "a\x01\x02\x0b\x0c\x1a\x1f"
       "b",
       "0"},
      {"dotted.name.here", "1544000", "1"},
      {"HomePage", "overridden by the table entry", "1"},
  };
}

TEST_F(PageScriptTest, EveryByteOfASingleByteCodePageArrivesAsItsCharacter) {
  for (const auto& [codePage, label] :
       {std::pair<unsigned, const char*>{1252, "python:cp1252"}, {1251, "windows-1251"}}) {
    SCOPED_TRACE(codePage);
    std::vector<Record> records = hostileRecords();
    records.push_back({"high" + allHighBytes(), allHighBytes(), "1"});
    records.push_back({"lead", "\xE2\x80 not a separator \xE2", "0"});
    const std::string homePage = "javascript:alert(\"x\")</SCRIPT >";
    EXPECT_EQ(evaluate(records, "HomePage=" + homePage + "\r\n", codePage, label,
                       expected(records, homePage)),
              "ok\n");
  }
}

TEST_F(PageScriptTest, DoubleByteTextArrivesByCharacterWithTrailBytesKept) {
  // 0x5C, the backslash, and '|' as trail bytes; a value ending in such a character; a lone lead
  // byte before the closing quote of the file and at the end of a value.
  const std::vector<Record> shiftJis = {
      {"\x83\x5C"
       "n.key",
       "\x83\x5Cn", "1"},
      {"path", "C:\\\x95\x5C\\\x95\x5C", "0"},
      {"pipe", "\x83\x7C\x81\x5C", "2"},
      {"lone", "tail \x83", "0"},
      {"quote", "\x83\"x", "1"},
  };
  EXPECT_EQ(
      evaluate(shiftJis, "HomePage=\x95\x5C\r\n", 932, "shift_jis", expected(shiftJis, "\x95\x5C")),
      "ok\n");
  const std::vector<Record> gbk = {
      {"\x81\x5C.k", "\x81\x5C\x80\xE9\x41", "1"},
      {"path", "D:\\\x95\x5C", "0"},
      {"lone", "\x81", "0"},
  };
  EXPECT_EQ(
      evaluate(gbk, "HomePage=\xD6\xD0\xCE\xC4\r\n", 936, "gbk", expected(gbk, "\xD6\xD0\xCE\xC4")),
      "ok\n");
}

TEST_F(PageScriptTest, Utf8TextWithLineSeparatorsArrivesExactly) {
  std::vector<Record> records = hostileRecords();
  records.push_back({"separators", "one\xE2\x80\xA8two\xE2\x80\xA9three", "1"});
  records.push_back(
      {"gr\xC3\xBC\xC3\x9F"
       "e.\xE2\x80\xA8",
       "\xF0\x9F\x8E\xB5 na\xC3\xAFve \xE2\x82\xAC", "0"});
  EXPECT_EQ(evaluate(records, "HomePage=\xE2\x80\xA9\r\n", 65001, "utf-8",
                     expected(records, "\xE2\x80\xA9")),
            "ok\n");
}

}  // namespace
