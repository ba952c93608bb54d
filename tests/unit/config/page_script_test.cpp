// The page block evaluated by a real script engine (Node.js): every key and value must arrive in
// `serverData` exactly as the configuration file held it, however hostile, and nothing in a value
// may end the literal or the script element early. Skipped when Node.js was not found.
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
#include "page_table_keys.h"

namespace fs = std::filesystem;

namespace {

// Reads the page as a browser given the page's charset would, runs the data script element in a
// fresh context and lists every record as hex(key) TAB hex(SuggestedValue) TAB IsLocked|none.
// Under "latin1" each character must be one byte of the file again.
const char kEvaluator[] = R"js(
const fs = require('fs'), vm = require('vm');
const [, , pagePath, encoding] = process.argv;
const page = fs.readFileSync(pagePath, encoding);
const m = /<script id="serverdata">([\s\S]*?)<\/script>/i.exec(page);
if (!m) { console.error('no data script element'); process.exit(2); }
const context = {};
vm.runInNewContext(m[1], context);
const hex = (s) => encoding === 'latin1'
  ? Array.from(s, (c) => {
      const n = c.charCodeAt(0);
      if (n > 255) throw new Error('character above one byte: ' + n);
      return n.toString(16).padStart(2, '0');
    }).join('')
  : Buffer.from(s, 'utf8').toString('hex');
const lines = [];
for (const key of Object.keys(context.serverData)) {
  const record = context.serverData[key];
  lines.push(hex(key) + '\t' + hex(String(record.SuggestedValue)) + '\t' +
             (record.IsLocked === undefined ? 'none' : String(record.IsLocked)));
}
lines.sort();
process.stdout.write(lines.join('\n') + '\n');
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

  // Writes the records (and the setup section) as a configuration, makes the page from it, and
  // returns what the script engine found, one line per key, as the evaluator prints it.
  std::vector<std::string> evaluate(const std::vector<Record>& records, const std::string& setup,
                                    const char* encoding) {
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

    writePageData(PathName(work_.string().c_str()));
    const std::string page = readFile(work_ / "cfadmin" / "index.html");
    EXPECT_EQ(page.substr(0, kPageHead.size()), kPageHead);
    EXPECT_EQ(page.substr(page.size() - kPageTail.size()), kPageTail);
    // Engines before ES2019 end a string literal at U+2028 and U+2029, which Node.js no longer
    // does; so the page itself must never hold them raw.
    EXPECT_EQ(page.find("\xE2\x80\xA8"), std::string::npos);
    EXPECT_EQ(page.find("\xE2\x80\xA9"), std::string::npos);

#if defined(KX_NODE)
    const std::string command = std::string("\"") + KX_NODE + "\" \"" +
                                (work_ / "evaluate.js").string() + "\" \"" +
                                (work_ / "cfadmin" / "index.html").string() + "\" " + encoding +
                                " > \"" + (work_ / "out.txt").string() + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
#else
    (void)encoding;
#endif
    std::vector<std::string> lines;
    std::ifstream in(work_ / "out.txt", std::ios::binary);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // What the page must hold: every table key with an empty value, the records on top, and the
  // setup's HomePage last, since the table entry comes after the records.
  static std::vector<std::string> expected(const std::vector<Record>& records,
                                           const std::string& homePage) {
    std::map<std::string, std::pair<std::string, std::string>> page;
    page["ApplyKXPrefs"] = {"", "none"};
    for (const char* key : kPageTableKeys) {
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

TEST_F(PageScriptTest, HostileBytesArriveExactlyInASingleByteCodePage) {
  std::vector<Record> records = hostileRecords();
  records.push_back({"high" + allHighBytes(), allHighBytes(), "1"});
  records.push_back({"lead", "\xE2\x80 not a separator \xE2", "0"});
  const std::string homePage = "javascript:alert(\"x\")</SCRIPT >";
  EXPECT_EQ(evaluate(records, "HomePage=" + homePage + "\r\n", "latin1"),
            expected(records, homePage));
}

TEST_F(PageScriptTest, Utf8TextWithLineSeparatorsArrivesExactly) {
  std::vector<Record> records = hostileRecords();
  records.push_back({"separators", "one\xE2\x80\xA8two\xE2\x80\xA9three", "1"});
  records.push_back(
      {"gr\xC3\xBC\xC3\x9F"
       "e.\xE2\x80\xA8",
       "\xF0\x9F\x8E\xB5 na\xC3\xAFve \xE2\x82\xAC", "0"});
  EXPECT_EQ(evaluate(records, "HomePage=\xE2\x80\xA9\r\n", "utf8"),
            expected(records, "\xE2\x80\xA9"));
}

}  // namespace
