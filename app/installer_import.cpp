#include "app/installer_import.h"

#include "app/configuration_update.h"
#include "app/message_table.h"
#include "base/path_name.h"
#include "config/page_data.h"
#include "platform/file_io.h"
#include "resedit/installer_configuration.h"

int InstallerImport::next(const char* pathText) {
  if (pathText == nullptr || *pathText == '\0') return 0;

  const PathName installer(pathText);
  if (!isExistingFile(installer)) {
    shell_.showMessage(message_id::kInstallerNotFound, 1);
    return 0;
  }

  const PathName workspace(workspacePath_);
  if (!importInstallerConfiguration(installer, workspace.join("kxenterprise.ini"))) {
    shell_.showMessage(message_id::kNotAnInstaller, 1);
    return 0;
  }

  writePageData(workspace, installerConfigurationCodePage(installer));
  // A failed copy is reported later, by generation, which finds no working copy.
  platform::copyFile(installer.text(), workspace.join("playinst.exe").text(), 0);
  return 1;
}
