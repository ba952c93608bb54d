#pragma once

#include <string>

#include "app/quicktime_preferences.h"
#include "base/path_name.h"
#include "config/configuration_edit.h"

// The one way a customised installer is written, whoever asks for it (the editor's generate link
// or the command line): the edits go into a working copy of the installer in one rewrite, and the
// working copy is then copied over the destination in one step; or, when the working copy is not
// to keep them, straight from it into the destination in that one rewrite.
struct GenerationRequest {
  std::string workingCopy;               // edited in place; keeps the edits afterwards
  bool editWorkingCopy = true;           // false: only read (the command line's installer)
  ConfigurationEditInput configuration;  // the installer's configuration and the edits to it
  int installMode = 0;                   // 1: switch " /p"; 2: " /s"; anything else: unchanged
  const QuickTimePreferences* quickTime = nullptr;  // built in when wanted
  std::string destination;
};

struct GenerationFailure {
  std::string reason;    // why nothing was written: the file and the system's own words
  std::string refused;   // or the setting whose value the configuration's code page cannot hold
  bool copying = false;  // the edits were made, but the copy to the destination failed
};

// 1 when the destination holds the customised installer. 0 leaves the destination as it was, and
// `failure` says why; the working copy holds either all of the edits or none (none at all when it
// is not edited).
int generateInstaller(const GenerationRequest& request, GenerationFailure& failure);

// The switch text 300 that an installation mode writes, or null when the mode leaves it as it is.
const char* installModeSwitch(int installMode);
