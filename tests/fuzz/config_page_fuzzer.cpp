// The configuration reader and the page data built from it: any file must give a script block in
// which every key and value is one well-formed string literal that cannot end the literal, the
// statement or the script element.
#include <cctype>
#include <string_view>

#include "config/ini_file.h"
#include "config/page_data.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool consume(std::string_view& text, std::string_view expected) {
  if (text.substr(0, expected.size()) != expected) return false;
  text.remove_prefix(expected.size());
  return true;
}

// Reads one string literal up to and with its closing quote and returns the number of characters
// it stands for. Only printable ASCII goes in as it is; everything else is an escape.
std::size_t literal(std::string_view& text, bool isKey) {
  std::size_t characters = 0;
  for (;;) {
    FUZZ_CHECK(!text.empty());
    const char c = text.front();
    if (c == '"') {
      text.remove_prefix(1);
      return characters;
    }
    FUZZ_CHECK(c >= 0x20 && c < 0x7F && c != '<');
    FUZZ_CHECK(!(isKey && c == '.'));
    if (c == '\\') {
      if (consume(text, "\\u")) {
        FUZZ_CHECK(text.size() >= 4);
        for (int i = 0; i < 4; ++i) FUZZ_CHECK(std::isxdigit(static_cast<unsigned char>(text[i])));
        text.remove_prefix(4);
      } else {
        FUZZ_CHECK(consume(text, "\\\\") || consume(text, "\\\"") || consume(text, "\\r") ||
                   consume(text, "\\n") || consume(text, "\\x3C"));
      }
    } else {
      text.remove_prefix(1);
    }
    ++characters;
  }
}

void checkBlock(std::string_view block) {
  FUZZ_CHECK(consume(block, "var serverData=[];\r\n"));
  while (!block.empty()) {
    FUZZ_CHECK(consume(block, "serverData[\""));
    literal(block, true);
    FUZZ_CHECK(consume(block, "]"));
    if (consume(block, "=[];\r\n")) continue;
    if (consume(block, "[\"SuggestedValue\"]=\"")) {
      FUZZ_CHECK(literal(block, false) <= IniFile::kMaxText);
      FUZZ_CHECK(consume(block, ";\r\n"));
      continue;
    }
    FUZZ_CHECK(consume(block, "[\"IsLocked\"]="));
    consume(block, "-");
    std::size_t digits = 0;
    while (!block.empty() && block.front() >= '0' && block.front() <= '9') {
      block.remove_prefix(1);
      ++digits;
    }
    FUZZ_CHECK(digits >= 1 && digits <= 10);
    FUZZ_CHECK(consume(block, ";\r\n"));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IniFile config;
  config.parse(std::string_view(reinterpret_cast<const char*>(data), size));
  const SharedString block = buildPageData(config);
  checkBlock(std::string_view(block.text(), static_cast<std::size_t>(block.length())));

  // Every key the file names answers within the platform's limits.
  for (const char* section : {"kx_preferences", "datatypes", "setup", ""}) {
    for (const std::string_view name : config.keyNames(section)) {
      const std::string key(name);
      FUZZ_CHECK(config.readString(section, key.c_str(), "d").length() <= IniFile::kMaxText);
      config.readInt(section, key.c_str(), -1);
    }
  }
  return 0;
}
