#include "tests/fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

class ProcessFolder {
 public:
  ProcessFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kx_fuzz_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) fuzzFailure("mkdtemp", __FILE__, __LINE__);
    path_ = pattern;
  }
  ~ProcessFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

const std::string& fuzzFolder() {
  static const ProcessFolder folder;
  return folder.path();
}

std::string fuzzPath(const std::string& name) {
  return (std::filesystem::path(fuzzFolder()) / name).string();
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out.flush()) fuzzFailure("writing the input file", __FILE__, __LINE__);
}

void fuzzFailure(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}
