#pragma once

#include <string>

#include "app/shell.h"
#include "base/shared_string.h"

// Dialog 137's Next: checks the chosen file, extracts its configuration into the Workspace, has
// it translated for the page and copies the installer in as the working copy.
class InstallerImport : public InstallerDialogModel {
 public:
  InstallerImport(Shell& shell, const SharedString& workspacePath)
      : shell_(shell), workspacePath_(workspacePath) {}

  // An empty path is answered with a message saying what Next needs.
  int next(const char* pathText) override;

  // The path of the installer last imported; empty until one was.
  const std::string& installerPath() const { return installerPath_; }

 private:
  Shell& shell_;
  SharedString workspacePath_;
  std::string installerPath_;
};

// The line below the dialog's path field: the chosen file's name, which a long path would push out
// of the field, or, while there is none, what Next needs.
std::string installerFieldNote(const char* pathText);
