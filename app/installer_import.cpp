#include "app/installer_import.h"

#include <string>

#include "app/configuration_update.h"
#include "app/message_table.h"
#include "app/save_destination.h"
#include "base/path_name.h"
#include "config/page_data.h"
#include "platform/file_io.h"
#include "resedit/installer_configuration.h"

int InstallerImport::next(const char* pathText) {
  if (pathText == nullptr || *pathText == '\0') {
    shell_.showMessage(message_id::kNoInstallerChosen, 1);
    return 0;
  }

  const PathName installer(pathText);
  if (!isExistingFile(installer)) {
    shell_.showMessage(message_id::kInstallerNotFound, 1);
    return 0;
  }

  // The configuration is taken from the copy, not from the chosen file, and only once the copy is
  // whole: the working copy and the page then always belong to the same installer, and an
  // installer that cannot be copied is refused with the Workspace as it was.
  const PathName workspace(workspacePath_);
  const PathName workingCopy = workspace.join("playinst.exe");
  std::string reason;
  if (!platform::copyFile(installer.text(), workingCopy.text(), &reason)) {
    shell_.showMessage(message_id::kNotAnInstaller, 1, reason);
    return 0;
  }
  std::string failure;
  if (!importInstallerConfiguration(workingCopy, workspace.join("kxenterprise.ini"), &failure)) {
    platform::removeFile(workingCopy.text());
    if (failure.empty()) {
      shell_.showMessage(message_id::kNotAnInstaller, 1);
    } else {
      shell_.showMessage(message_id::kConfigurationNotSaved, 1, failure);
    }
    return 0;
  }
  // The page names the installer it edits, as the administrator knows it: by its file name.
  writePageData(workspace, installerConfigurationCodePage(workingCopy),
                splitPath(pathText).name.c_str());
  installerPath_ = pathText;
  return 1;
}

std::string installerFieldNote(const char* pathText) {
  const std::string name = splitPath(pathText).name;
  if (name.empty()) return messageText(message_id::kInstallerFieldHint);
  return composeMessage(messageText(message_id::kInstallerFieldName), name);
}
