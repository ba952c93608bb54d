#pragma once

#include "app/shell.h"
#include "base/shared_string.h"

// Dialog 137's Next: checks the chosen file, extracts its configuration into the Workspace, has
// it translated for the page and copies the installer in as the working copy.
class InstallerImport : public InstallerDialogModel {
 public:
  InstallerImport(Shell& shell, const SharedString& workspacePath)
      : shell_(shell), workspacePath_(workspacePath) {}

  int next(const char* pathText) override;

 private:
  Shell& shell_;
  SharedString workspacePath_;
};
