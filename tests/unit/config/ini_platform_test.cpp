// Holds the configuration reader to the platform's own: a small Windows program (oracle/) asks
// GetPrivateProfileStringA and GetPrivateProfileIntA about every section and key of the awkward
// files in ini_corpus/, run under wine64, and each answer must equal ours. Only native builds
// set the test up; elsewhere it is skipped.
//
// The corpus leaves out two cases on purpose: a quoted value of exactly 255 characters between its
// quotes, where Wine drops the last character along with the closing quote (an off-by-one in its
// quote stripping), while our reader keeps all 255; and a file that starts with the UTF-8
// byte-order mark, which Wine takes for a UTF-8 file while Windows itself does not recognise it
// (the mark stays part of the first line, hiding a section opened there), which our reader
// follows.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/ini_file.h"

namespace fs = std::filesystem;

namespace {

#if defined(KX_INI_ORACLE)

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The oracle's line format: every byte outside printable ASCII, and '\', as \xHH.
std::string escaped(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    if (c < 0x20 || c > 0x7E || c == '\\') {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\x1a' || (c >= '\n' && c <= '\r'); }

std::string trimmed(std::string s) {
  s = s.substr(0, s.find('\0'));
  while (!s.empty() && isBlank(s.front())) s.erase(s.begin());
  while (!s.empty() && isBlank(s.back())) s.pop_back();
  return s;
}

std::string swappedCase(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 32);
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c + 32);
  }
  return s;
}

// Every name a file could be asked for, found by a deliberately loose scan: each bracketed text is
// a section, each text before '=' (or whole line) a key; each also swapped in case and padded.
void collectNames(const std::string& bytes, std::set<std::string>& sections,
                  std::set<std::string>& keys) {
  // A UTF-16 file's names are plain ASCII here: every other byte of it.
  std::string text = bytes;
  if (text.size() >= 2 && text[0] == '\xFF' && text[1] == '\xFE') {
    text.clear();
    for (std::size_t i = 2; i < bytes.size(); i += 2) text += bytes[i];
  }
  std::vector<std::string> lines(1);
  for (const char c : text) {
    if (c == '\r' || c == '\n')
      lines.emplace_back();
    else
      lines.back() += c;
  }
  std::set<std::string> found{"nosuch"};
  sections.insert("");
  for (const std::string& raw : lines) {
    const std::string line = trimmed(raw);
    if (line.empty()) continue;
    const std::size_t close = line.rfind(']');
    if (line[0] == '[' && close != std::string::npos) {
      sections.insert(trimmed(line.substr(1, close - 1)));
    }
    found.insert(trimmed(line.substr(0, line.find('='))));
  }
  sections.insert("nosuch");
  for (const std::string& name : std::set<std::string>(sections)) {
    sections.insert(swappedCase(name));
    sections.insert("  " + name + " ");
  }
  keys.insert("");
  for (const std::string& name : found) {
    if (name.empty()) continue;
    keys.insert(name);
    keys.insert(swappedCase(name));
    keys.insert(" " + name + "\t");
  }
}

struct Query {
  std::string file;
  std::string section;
  std::string key;
};

std::string ourAnswer(const IniFile& ini, const Query& q) {
  const SharedString plain = ini.readString(q.section.c_str(), q.key.c_str());
  const SharedString withDefault = ini.readString(q.section.c_str(), q.key.c_str(), "(none)");
  return escaped(plain.text()) + "\t" + escaped(withDefault.text()) + "\t" +
         std::to_string(ini.readInt(q.section.c_str(), q.key.c_str(), 12345));
}

#endif

TEST(IniPlatformTest, AnswersAsTheWindowsReaderOnTheWholeCorpus) {
#if !defined(KX_INI_ORACLE)
  GTEST_SKIP() << "the Windows reader is asked only in native builds that found the x86_64 "
                  "MinGW compiler and wine64";
#else
  const char* oracle = KX_INI_ORACLE;
  const char* source = std::getenv("KX_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "KX_SOURCE_DIR names the repository";
  const fs::path corpus = fs::path(source) / "tests/unit/config/ini_corpus";
  std::vector<Query> queries;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    if (entry.path().extension() == ".ini") files.push_back(fs::absolute(entry.path()));
  }
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 8u);
  for (const fs::path& file : files) {
    std::set<std::string> sections;
    std::set<std::string> keys;
    collectNames(readBytes(file), sections, keys);
    for (const std::string& s : sections) {
      for (const std::string& k : keys) queries.push_back({file.string(), s, k});
    }
  }

  const fs::path work =
      fs::temp_directory_path() /
      ("kx_ini_platform_" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(work);
  {
    std::ofstream out(work / "queries.txt", std::ios::binary);
    for (const Query& q : queries) {
      out << escaped(q.file) << '\t' << escaped(q.section) << '\t' << escaped(q.key) << '\n';
    }
  }
  const std::string command = std::string("KX_WINEPREFIX=\"") + KX_ORACLE_WINEPREFIX + "\" \"" +
                              KX_WINE_RUN + "\" \"" + oracle + "\" \"" +
                              (work / "queries.txt").string() + "\" > \"" +
                              (work / "answers.txt").string() + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  std::vector<std::string> answers;
  {
    std::ifstream in(work / "answers.txt", std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      answers.push_back(line);
    }
  }
  fs::remove_all(work);
  ASSERT_EQ(answers.size(), queries.size());

  std::string currentFile;
  IniFile ini;
  int mismatches = 0;
  for (std::size_t i = 0; i < queries.size(); ++i) {
    const Query& q = queries[i];
    if (q.file != currentFile) {
      currentFile = q.file;
      ASSERT_EQ(ini.load(PathName(q.file.c_str())), 1) << q.file;
    }
    const std::string ours = ourAnswer(ini, q);
    if (ours != answers[i] && ++mismatches <= 20) {
      ADD_FAILURE() << fs::path(q.file).filename().string() << " [" << escaped(q.section) << "] "
                    << escaped(q.key) << "\n  platform: " << answers[i] << "\n  ours:     " << ours;
    }
  }
  EXPECT_EQ(mismatches, 0) << "of " << queries.size() << " questions";
#endif
}

}  // namespace
