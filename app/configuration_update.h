#pragma once

#include <string>

#include "base/path_name.h"
#include "config/configuration_edit.h"

// The configuration step of player generation: the installer's own configuration (as imported
// into the Workspace) with the editor's edits applied, in the installer's code page.

// The code page of the installer's configuration text on this system (shown by the editor).
unsigned installerConfigurationCodePage(const PathName& installer);

// The name of the file the editor writes beside its result, holding what it saves when nothing
// was edited.
inline constexpr char kUneditedConfigurationName[] = "kxunedited.ini";

// The files the new configuration is made from: Workspace\kxenterprise.ini (the installer's), the
// editor's Workspace\cfadmin\kxenterprise.ini and, when present, its unedited twin.
class EditorConfiguration {
 public:
  EditorConfiguration() = default;
  EditorConfiguration(const EditorConfiguration&) = delete;
  EditorConfiguration& operator=(const EditorConfiguration&) = delete;

  // 0 when the installer's or the editor's file cannot be read.
  int load(const PathName& workspace, const PathName& workingCopy);
  // Views into this object: it must outlive them.
  ConfigurationEditInput input() const { return input_; }

 private:
  std::string original_;
  std::string result_;
  std::string unedited_;
  ConfigurationEditInput input_;
};
