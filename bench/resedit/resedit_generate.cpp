// Applies what player generation writes into an installer, as generation does it (one edit set):
// the configuration file as "KXECONFIG" and the installation-mode string 300. Used by the
// benchmark script to time it against cp.
#include <cstdio>
#include <string>

#include "base/path_name.h"
#include "base/shared_string.h"
#include "platform/file_io.h"
#include "resedit/language_match.h"
#include "resedit/resource_edit_set.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: resedit_generate INSTALLER CONFIGURATION MODE\n");
    return 2;
  }
  std::string configuration;
  if (!platform::readWholeFile(argv[2], configuration)) return 2;
  ResourceEditSet edits{PathName(argv[1])};
  int settled =
      edits.replaceResource(reinterpret_cast<const unsigned char*>(configuration.data()),
                            static_cast<std::uint32_t>(configuration.size()),
                            SharedString("KXECONFIG"), SharedString("BINARY"), AnyLanguage, 0);
  settled &= edits.replaceStringTableEntry(300, SharedString(argv[3]), AnyLanguage, 0);
  return settled && edits.commit(0) ? 0 : 1;
}
