#include "app/player_generation.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "app/installer_resources.h"
#include "app/message_table.h"
#include "app/quicktime_preferences.h"
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
int applyEdits(const PathName& workingCopy, const PathName& configuration, const IniFile& ini,
               const QuickTimePreferences& quickTime) {
  ResourceEditSet edits(workingCopy);

  // An installer without a "QTPREF" resource gains none.
  if (quickTime.wanted) {
    edits.replaceResource(reinterpret_cast<const unsigned char*>(quickTime.bytes.data()),
                          static_cast<std::uint32_t>(quickTime.bytes.size()),
                          SharedString("QTPREF"), SharedString("BINARY"), AnyLanguage, 0);
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

int copyReplacingSafely(const PathName& source, const PathName& destination) {
  const SharedString temporary = concat(destination.asString(), ".kxpart");
  if (!platform::copyFile(source.text(), temporary.text(), 0)) {
    platform::removeFile(temporary.text());
    return 0;
  }
  if (!platform::renameReplacing(temporary.text(), destination.text())) {
    platform::removeFile(temporary.text());
    return 0;
  }
  return 1;
}

void generatePlayer(Shell& shell, const char* workspacePath) {
  QuickTimeConsent consent;
  generatePlayer(shell, workspacePath, consent);
}

void generatePlayer(Shell& shell, const char* workspacePath, QuickTimeConsent& consent) {
  const SharedString destination = shell.chooseSaveFile();
  if (destination.empty()) return;

  const PathName workspace(workspacePath);
  const PathName configuration = workspace.join("cfadmin").join("kxenterprise.ini");
  const PathName workingCopy = workspace.join("playinst.exe");
  if (!isExistingFile(workingCopy) || !isExistingFile(configuration)) {
    shell.showMessage(message_id::kMissingFiles, 1);
    return;
  }

  IniFile ini;
  if (!ini.load(configuration)) {
    shell.showMessage(message_id::kCouldNotGenerate, 1);
    return;
  }
  // Read before anything is written: a file the administrator declines or that cannot be read
  // leaves the working copy and the destination as they were.
  QuickTimePreferences quickTime;
  if (!loadQuickTimePreferences(shell, consent, ini, quickTime)) return;

  // Everything inside the Workspace is deleted when the program ends: a player saved there
  // would be lost.
  if (isInsideFolder(destination.text(), workspacePath) ||
      !applyEdits(workingCopy, configuration, ini, quickTime) ||
      !copyReplacingSafely(workingCopy, PathName(destination))) {
    shell.showMessage(message_id::kCouldNotGenerate, 1);
    return;
  }
  shell.showMessage(message_id::kPlayerGenerated, 0);
}
