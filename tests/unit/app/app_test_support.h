#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/path_name.h"
#include "resedit/pe_file_resources.h"
#include "resedit/string_table_block.h"
#include "workspace/resource_source.h"

namespace app_test {

namespace fs = std::filesystem;

// Installers and the archive made at build time, and the files they were made from.
inline fs::path fixture(const char* name) { return fs::path(KX_APP_FIXTURES) / name; }
inline fs::path fixtureSource(const char* name) { return fs::path(KX_APP_FIXTURE_SOURCES) / name; }

inline std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFile(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

inline void setTemp(const std::string& value) {
#ifdef _WIN32
  _putenv_s("TEMP", value.c_str());
#else
  if (value.empty()) {
    unsetenv("TEMP");
  } else {
    setenv("TEMP", value.c_str(), 1);
  }
#endif
}

// Where the tests' folders go, fixed before any test changes TEMP.
inline const fs::path& testBase() {
  static const fs::path base = fs::temp_directory_path();
  return base;
}

// A fresh folder that the test's TEMP points at, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = testBase() / (std::string("kx-app-") + info->test_suite_name() + "-" + info->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
    const char* old = std::getenv("TEMP");
    oldTemp_ = old != nullptr ? old : "";
    hadTemp_ = old != nullptr;
    setTemp(path_.string());
  }
  ~TempFolder() {
    setTemp(hadTemp_ ? oldTemp_ : "");
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  std::vector<fs::path> entries() const {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(path_)) out.push_back(e.path().filename());
    return out;
  }

 private:
  fs::path path_;
  std::string oldTemp_;
  bool hadTemp_ = false;
};

// The program's own resources as the tests give them: the small editor archive, or nothing.
class FixtureResources : public ResourceSource {
 public:
  explicit FixtureResources(bool withArchive) : withArchive_(withArchive) {}
  int loadResource(const char* type, const char* name, std::vector<unsigned char>& bytes) override {
    if (!withArchive_ || std::string(name) != "ARCHIVE") return 0;
    (void)type;
    const std::string zip = readFile(fixture("site.zip"));
    bytes.assign(zip.begin(), zip.end());
    return 1;
  }

 private:
  bool withArchive_;
};

// What an installer carries, read back with our own reader.
inline std::string resourceOf(const fs::path& installer, const char* name) {
  PeFileResources resources(PathName(installer.string().c_str()));
  std::vector<unsigned char> bytes;
  if (!resources.loadResource("BINARY", name, bytes)) return "<missing>";
  return std::string(bytes.begin(), bytes.end());
}

inline std::u16string string300(const fs::path& installer) {
  PeFileResources resources(PathName(installer.string().c_str()));
  std::vector<unsigned char> bytes;
  if (!resources.loadResource("#6", "#19", bytes)) return u"<missing>";
  StringTableBlock block;
  block.loadFromResource(bytes.data(), bytes.size());
  return block.entry(300 % 16).value_or(u"");
}

}  // namespace app_test
