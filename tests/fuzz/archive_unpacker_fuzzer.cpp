// The archive unpacker on any archive: nothing may be created outside the destination folder, and
// what it writes stays within the unpacker's bounds.
#include <filesystem>
#include <system_error>

#include "tests/fuzz/fuzz_support.h"
#include "workspace/archive_unpacker.h"

namespace fs = std::filesystem;

namespace {

// The destination sits a few levels down, each level holding only the next one, so that a name
// climbing out of it by up to this many levels lands where it is seen.
constexpr int kLevels = 4;

// 1 when `folder` holds exactly the one entry `only`.
bool holdsOnly(const fs::path& folder, const fs::path& only) {
  std::error_code error;
  int count = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().filename() != only) return false;
    ++count;
  }
  return !error && count == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path root = fuzzFolder();
  static const fs::path archive = root / "archive.zip";
  fs::path levels = root / "box";
  for (int i = 1; i < kLevels; ++i) levels /= "level";
  static const fs::path destination = levels / "dest";
  fs::create_directories(destination);
  writeBytes(archive.string(), data, size);

  unpackArchive(archive.string().c_str(), (destination.string() + "/").c_str());

  fs::path folder = root / "box";
  FUZZ_CHECK(holdsOnly(folder, kLevels > 1 ? "level" : "dest"));
  for (int i = 1; i < kLevels; ++i) {
    folder /= "level";
    FUZZ_CHECK(holdsOnly(folder, i + 1 < kLevels ? "level" : "dest"));
  }
  int rootEntries = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
    FUZZ_CHECK(entry.path() == archive || entry.path() == root / "box");
    ++rootEntries;
  }
  FUZZ_CHECK(rootEntries == 2);

  // Only plain files and folders are made, and never more bytes than the unpacker allows.
  std::uintmax_t total = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(destination)) {
    FUZZ_CHECK(!entry.is_symlink());
    if (entry.is_regular_file()) total += entry.file_size();
  }
  FUZZ_CHECK(total <= kMaximumUnpackedBytes);
  fs::remove_all(destination);
  return 0;
}
