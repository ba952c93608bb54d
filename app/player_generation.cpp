#include "app/player_generation.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "app/installer_resources.h"
#include "app/message_table.h"
#include "base/shared_string.h"
#include "config/ini_file.h"
#include "platform/file_io.h"
#include "resedit/language_match.h"

namespace {

// Text 300 of the installer: the switch its setup program is started with.
constexpr int kInstallModeString = 300;

std::filesystem::path resolved(const char* path) {
  std::error_code error;
  std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::path(path), error);
  if (error) p = std::filesystem::absolute(std::filesystem::path(path), error);
  return p.lexically_normal();
}

// Writes the edits into the working copy, all in one rewrite. 0 when an edit that applies could
// not be written, so that an installer without the edits is never handed out as a success; then
// the working copy keeps none of them.
int applyEdits(const PathName& workingCopy, const PathName& configuration) {
  IniFile ini;
  if (!ini.load(configuration)) return 0;
  ResourceEditSet edits(workingCopy);

  if (ini.readInt("qt_preferences", "ApplyQTPrefs", 0) != 0) {
    const PathName preferences(ini.readString("qt_preferences", "QuickTimeLocation", ""));
    // A preferences file that is missing or unreadable is passed over, as is an installer
    // without a "QTPREF" resource.
    if (isExistingFile(preferences)) replaceResourceFromFile(edits, "QTPREF", preferences);
  }

  // An installer without the string block keeps none; other modes leave the switch as it is.
  const int installMode = ini.readInt("setup", "installmode", 1);
  const char* modeSwitch = installMode == 1 ? " /p" : installMode == 2 ? " /s" : nullptr;
  if (modeSwitch != nullptr) {
    edits.replaceStringTableEntry(kInstallModeString, SharedString(modeSwitch), AnyLanguage, 0);
  }

  if (!replaceResourceFromFile(edits, "KXECONFIG", configuration)) return 0;
  return edits.commit(0);
}

}  // namespace

int isInsideFolder(const char* path, const char* folder) {
  const std::filesystem::path p = resolved(path);
  const std::filesystem::path f = resolved(folder);
  auto pi = p.begin();
  for (auto fi = f.begin(); fi != f.end(); ++fi, ++pi) {
    if (fi->empty()) continue;  // a trailing separator
    if (pi == p.end() || *pi != *fi) return 0;
  }
  return 1;
}

void generatePlayer(Shell& shell, const char* workspacePath) {
  const SharedString destination = shell.chooseSaveFile();
  if (destination.empty()) return;

  const PathName workspace(workspacePath);
  const PathName configuration = workspace.join("cfadmin").join("kxenterprise.ini");
  const PathName workingCopy = workspace.join("playinst.exe");
  if (!isExistingFile(workingCopy) || !isExistingFile(configuration)) {
    shell.showMessage(message_id::kMissingFiles, 1);
    return;
  }

  // Everything inside the Workspace is deleted when the program ends: a player saved there
  // would be lost.
  // The copy replaces the destination in one step: a copy that could not be made whole leaves
  // what was there, and its reason is shown.
  std::string reason;
  if (isInsideFolder(destination.text(), workspacePath) ||
      !applyEdits(workingCopy, configuration) ||
      !platform::copyFile(workingCopy.text(), destination.text(), &reason)) {
    shell.showMessage(message_id::kCouldNotGenerate, 1, reason);
    return;
  }
  shell.showMessage(message_id::kPlayerGenerated, 0);
}
