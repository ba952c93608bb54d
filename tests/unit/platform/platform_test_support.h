#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace platform_test {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFile(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

// Removes a folder with everything in it, read-only files included (a failed test may leave one).
inline void removeFolder(const fs::path& folder) {
  std::error_code ignored;
  for (const auto& e : fs::recursive_directory_iterator(folder, ignored))
    fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  fs::remove_all(folder, ignored);
}

// A fresh folder for each test, removed afterwards.
class FileReplacementTest : public ::testing::Test {
 protected:
  FileReplacementTest() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() /
              (std::string("kx-platform-") + info->test_suite_name() + "-" + info->name());
    removeFolder(folder_);
    fs::create_directories(folder_);
  }
  ~FileReplacementTest() override { removeFolder(folder_); }
  const fs::path& folder() const { return folder_; }
  std::set<std::string> entries() const {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(folder_)) out.insert(e.path().filename().string());
    return out;
  }

 private:
  fs::path folder_;
};

}  // namespace platform_test
