#include "resedit/installer_configuration.h"

#include <vector>

#include "platform/file_io.h"
#include "resedit/pe/pe_resource_file.h"
#include "resedit/pe_file_resources.h"
#include "resedit/resource_name.h"

int importInstallerConfiguration(const PathName& installer, const PathName& iniTarget,
                                 std::string* failure) {
  if (!installer.isValid() || !iniTarget.isValid()) return 0;
  PeFileResources resources(installer);
  if (!resources.isExecutableImage()) return 0;
  std::vector<unsigned char> configuration;
  if (!resources.loadResource("Binary", "KXECONFIG", configuration) || configuration.empty())
    return 0;
  return platform::writeWholeFile(iniTarget.text(), configuration.data(), configuration.size(),
                                  failure);
}

int readConfigurationEntry(const PathName& installer, std::uint32_t& codePage,
                           std::uint16_t& language) {
  pe::ResourceId type;
  pe::ResourceId name;
  pe::PeResourceFile file;
  if (!installer.isValid() || !resourceIdFromText("Binary", type) ||
      !resourceIdFromText("KXECONFIG", name) || !file.open(installer.text()))
    return 0;
  const std::vector<std::uint16_t> languages = file.languages(type, name);
  if (languages.empty()) return 0;
  const pe::ResourceLeaf* leaf = file.tree().find(type, name, languages.front());
  if (leaf == nullptr) return 0;
  codePage = leaf->codePage;
  language = languages.front();
  return 1;
}
