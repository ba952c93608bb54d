#include "resedit/installer_configuration.h"

#include <vector>

#include "platform/file_io.h"
#include "resedit/pe_file_resources.h"

int importInstallerConfiguration(const PathName& installer, const PathName& iniTarget) {
  if (!installer.isValid() || !iniTarget.isValid()) return 0;
  PeFileResources resources(installer);
  if (!resources.isExecutableImage()) return 0;
  std::vector<unsigned char> configuration;
  if (!resources.loadResource("Binary", "KXECONFIG", configuration) || configuration.empty())
    return 0;
  return platform::writeWholeFile(iniTarget.text(), configuration.data(), configuration.size());
}
