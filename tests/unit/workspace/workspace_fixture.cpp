#include "tests/unit/workspace/workspace_fixture.h"

#include <zip.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/path_rules.h"
#include "tests/unit/workspace/test_platform.h"

namespace fs = std::filesystem;

std::string joinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && platform::isPathSeparator(folder.back())) return folder + name;
  return folder + platform::pathSeparator() + name;
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  ASSERT_TRUE(out.good()) << path;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool isFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(fs::symlink_status(path, error));
}

bool isFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(fs::symlink_status(path, error));
}

bool pathExists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

void makeFolder(const std::string& path) {
  std::error_code error;
  ASSERT_TRUE(fs::create_directory(path, error)) << path << ": " << error.message();
}

void ScratchTest::SetUp() {
  scratch_ = test_platform::makeScratchFolder();
  ASSERT_FALSE(scratch_.empty());
  test_platform::setEnvironment("TEMP", scratch_.c_str());
  test_platform::setEnvironment("TMPDIR", scratch_.c_str());
}

void ScratchTest::TearDown() {
  std::error_code error;
  fs::permissions(scratch_, fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(scratch_, error);
}

ZipBuilder& ZipBuilder::folder(const std::string& name) {
  entries_.push_back({name, std::string(), true, false});
  return *this;
}

ZipBuilder& ZipBuilder::file(const std::string& name, const std::string& content, bool deflate) {
  entries_.push_back({name, content, false, deflate});
  return *this;
}

bool ZipBuilder::write(const std::string& path) const {
  zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) return false;
  bool ok = true;
  for (const Entry& entry : entries_) {
    zip_fileinfo info{};
    const int method = entry.deflate ? Z_DEFLATED : 0;
    const int level = entry.deflate ? Z_BEST_COMPRESSION : 0;
    ok = ok && zipOpenNewFileInZip(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                   method, level) == ZIP_OK;
    if (ok && !entry.content.empty()) {
      ok = zipWriteInFileInZip(zip, entry.content.data(),
                               static_cast<unsigned>(entry.content.size())) == ZIP_OK;
    }
    ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

void corruptEntryData(const std::string& archivePath, const std::string& entryName) {
  std::string bytes = readFile(archivePath);
  // The first occurrence of the name is the one in the entry's local header, whose fixed part of
  // 30 bytes ends with the name and extra-field lengths.
  const std::size_t name = bytes.find(entryName);
  ASSERT_NE(name, std::string::npos);
  ASSERT_GE(name, 30u);
  const std::size_t header = name - 30;
  ASSERT_EQ(bytes.compare(header, 4, "PK\x03\x04"), 0);
  const auto extraLength =
      static_cast<std::size_t>(static_cast<unsigned char>(bytes[header + 28]) |
                               (static_cast<unsigned char>(bytes[header + 29]) << 8));
  // A first byte of 0xFF opens a deflate block of the reserved type 3, which inflate rejects.
  bytes[name + entryName.size() + extraLength] = static_cast<char>(0xFF);
  writeFile(archivePath, bytes);
}
