#include "app/installer_resources.h"

#include <string>
#include <vector>

#include "base/shared_string.h"
#include "platform/file_io.h"
#include "resedit/installer_configuration.h"
#include "resedit/language_match.h"
#include "resedit/pe_file_resources.h"
#include "resedit/resource_updates.h"
#include "resedit/string_table_block.h"

namespace {

// An update that did not happen was either passed over (no such resource) or refused.
UpdateOutcome outcomeOfRefusal(const PathName& installer, const char* type, const char* name) {
  PeFileResources resources(installer);
  std::vector<unsigned char> bytes;
  return resources.loadResource(type, name, bytes) ? UpdateOutcome::kFailed
                                                   : UpdateOutcome::kMissing;
}

}  // namespace

int extractInstallerConfiguration(const PathName& installer, const PathName& target) {
  return importInstallerConfiguration(installer, target);
}

UpdateOutcome replaceResourceFromFile(const char* name, const PathName& installer,
                                      const PathName& source) {
  std::string bytes;
  if (!platform::readWholeFile(source.text(), bytes)) return UpdateOutcome::kMissing;
  if (replaceResource(installer, reinterpret_cast<const unsigned char*>(bytes.data()),
                      static_cast<std::uint32_t>(bytes.size()), SharedString(name),
                      SharedString("BINARY"), AnyLanguage, 0, 0)) {
    return UpdateOutcome::kApplied;
  }
  return outcomeOfRefusal(installer, "BINARY", name);
}

UpdateOutcome replaceInstallerString(const PathName& installer, int id, const char* text) {
  const auto stringId = static_cast<std::uint16_t>(id);
  if (replaceStringTableEntry(installer, stringId, SharedString(text), AnyLanguage, 0, 0)) {
    return UpdateOutcome::kApplied;
  }
  SharedString block;
  formatString(block, "#%d", stringBlockNumber(stringId));
  return outcomeOfRefusal(installer, "#6", block.text());
}
