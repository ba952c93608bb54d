// Applies what player generation writes into an installer, as generation does it (one edit set):
// the configuration file as "KXECONFIG" and the installation-mode string 300. Used by the
// benchmark script to time it against cp. With a language after the mode, the two resources are
// created in that language when missing, which gives any PE file an installer's resources.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/path_name.h"
#include "base/shared_string.h"
#include "platform/file_io.h"
#include "resedit/language_match.h"
#include "resedit/resource_edit_set.h"

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: resedit_generate INSTALLER CONFIGURATION MODE [LANGUAGE]\n");
    return 2;
  }
  std::string configuration;
  if (!platform::readWholeFile(argv[2], configuration)) return 2;
  const int create = argc == 5;
  const auto language =
      create ? static_cast<std::uint16_t>(std::strtoul(argv[4], nullptr, 0)) : AnyLanguage;
  ResourceEditSet edits{PathName(argv[1])};
  int settled =
      edits.replaceResource(reinterpret_cast<const unsigned char*>(configuration.data()),
                            static_cast<std::uint32_t>(configuration.size()),
                            SharedString("KXECONFIG"), SharedString("BINARY"), language, create);
  settled &= edits.replaceStringTableEntry(300, SharedString(argv[3]), language, create);
  if (!settled || !edits.commit(0)) {
    std::fprintf(stderr, "resedit_generate: %s\n", edits.reason().c_str());
    return 1;
  }
  return 0;
}
