// Applies what player generation writes into an installer: the configuration file as "KXECONFIG"
// and the installation-mode string 300. Used by the benchmark script to time it against cp.
#include <cstdio>
#include <string>

#include "base/path_name.h"
#include "base/shared_string.h"
#include "platform/file_io.h"
#include "resedit/resource_updates.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: resedit_generate INSTALLER CONFIGURATION MODE\n");
    return 2;
  }
  std::string configuration;
  if (!platform::readWholeFile(argv[2], configuration)) return 2;
  PathName installer(argv[1]);
  int written =
      replaceResource(installer, reinterpret_cast<const unsigned char*>(configuration.data()),
                      static_cast<std::uint32_t>(configuration.size()), SharedString("KXECONFIG"),
                      SharedString("BINARY"), AnyLanguage, 0, 0);
  written &= replaceStringTableEntry(installer, 300, SharedString(argv[3]), AnyLanguage, 0, 0);
  return written ? 0 : 1;
}
