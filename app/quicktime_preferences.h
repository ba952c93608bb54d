#pragma once

#include <set>
#include <string>

#include "app/shell.h"
#include "config/ini_file.h"

// The QuickTime preferences file that generation builds into the installer. Its path comes from
// the configuration, which the imported installer brings along, so the file is read only after the
// administrator confirmed that very path, shown with its size, in this run.
class QuickTimeConsent {
 public:
  int allows(const std::string& path) const { return confirmed_.count(path) != 0 ? 1 : 0; }
  void grant(const std::string& path) { confirmed_.insert(path); }

 private:
  std::set<std::string> confirmed_;
};

struct QuickTimePreferences {
  int wanted = 0;     // the configuration asks for the file to be built in
  std::string bytes;  // its content, when wanted
};

// Reads the file that "qt_preferences" names when "ApplyQTPrefs" asks for it. 0 stops generation
// before anything is written: the administrator declined the file, or it is not a readable file,
// which has been reported naming it.
int loadQuickTimePreferences(Shell& shell, QuickTimeConsent& consent, const IniFile& configuration,
                             QuickTimePreferences& preferences);
