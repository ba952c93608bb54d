#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

// Shared pieces of the workspace tests: a scratch folder per test with TEMP pointing at it, file
// helpers, and ZIP archives built on the spot with minizip's writer.

std::string joinPath(const std::string& folder, const std::string& name);
void writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
bool isFile(const std::string& path);
bool isFolder(const std::string& path);
bool pathExists(const std::string& path);  // the entry itself, links included
void makeFolder(const std::string& path);

// A test whose TEMP (and, on POSIX, TMPDIR) names a fresh folder of its own.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  const std::string& scratch() const { return scratch_; }

 private:
  std::string scratch_;
};

// Builds a ZIP archive entry by entry, in the order given.
class ZipBuilder {
 public:
  ZipBuilder& folder(const std::string& name);
  ZipBuilder& file(const std::string& name, const std::string& content, bool deflate = true);
  // Writes the archive; false when minizip could not.
  bool write(const std::string& path) const;

 private:
  struct Entry {
    std::string name;
    std::string content;
    bool isFolder;
    bool deflate;
  };
  std::vector<Entry> entries_;
};

// Spoils the compressed data of the named entry so that inflating it fails at once.
void corruptEntryData(const std::string& archivePath, const std::string& entryName);
