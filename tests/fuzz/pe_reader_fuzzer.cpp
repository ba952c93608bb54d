// The PE reader and the installer check that import uses to accept an installer: any file must be
// read without a fault and without being changed, and an accepted installer's configuration must
// arrive whole.
#include <filesystem>

#include "base/path_name.h"
#include "resedit/installer_configuration.h"
#include "resedit/pe/pe_resource_file.h"
#include "resedit/resource_name.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

pe::ResourceId idOf(const char* text) {
  pe::ResourceId id;
  resourceIdFromText(text, id);
  return id;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string installer = fuzzPath("installer.exe");
  static const std::string ini = fuzzPath("kxenterprise.ini");
  static const pe::ResourceId binary = idOf("Binary");
  static const pe::ResourceId configuration = idOf("KXECONFIG");
  writeBytes(installer, data, size);
  std::filesystem::remove(ini);

  // What the reader sees, read independently of the check below.
  std::vector<std::uint8_t> expected;
  bool acceptable = false;
  {
    pe::PeResourceFile file;
    if (file.open(installer)) {
      const std::vector<std::uint16_t> languages = file.languages(binary, configuration);
      acceptable = file.isExecutableImage() && !languages.empty() &&
                   file.readData(binary, configuration, languages.front(), expected) &&
                   !expected.empty();
      for (const std::uint16_t language : languages)
        FUZZ_CHECK(file.exists(binary, configuration, language));
      file.loadAllLeaves();
    }
  }

  const int accepted =
      importInstallerConfiguration(PathName(installer.c_str()), PathName(ini.c_str()));
  FUZZ_CHECK(accepted == (acceptable ? 1 : 0));
  if (accepted) {
    FUZZ_CHECK(readBytes(ini) == expected);
  } else {
    FUZZ_CHECK(!std::filesystem::exists(ini));
  }
  const std::vector<std::uint8_t> after = readBytes(installer);
  FUZZ_CHECK(after.size() == size && std::equal(after.begin(), after.end(), data));
  return 0;
}
