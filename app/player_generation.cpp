#include "app/player_generation.h"

#include <string>

#include "app/configuration_update.h"
#include "app/installer_resources.h"
#include "app/message_table.h"
#include "app/quicktime_preferences.h"
#include "app/save_destination.h"
#include "base/double_byte.h"
#include "base/shared_string.h"
#include "config/ini_file.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "platform/path_rules.h"
#include "resedit/language_match.h"

namespace {

// Text 300 of the installer: the switch its setup program is started with.
constexpr int kInstallModeString = 300;

// The installer's own configuration with the editor's edits applied, as the new "KXECONFIG".
int replaceConfiguration(ResourceEditSet& edits, const PathName& workspace,
                         const PathName& workingCopy, std::string& refused) {
  std::string bytes;
  if (!buildInstallerConfiguration(workspace, workingCopy, bytes, refused)) return 0;
  return edits.replaceResource(reinterpret_cast<const unsigned char*>(bytes.data()),
                               static_cast<std::uint32_t>(bytes.size()), SharedString("KXECONFIG"),
                               SharedString("BINARY"), AnyLanguage, 0);
}

// Writes the edits into the working copy, all in one rewrite. 0 when an edit that applies could
// not be written, so that an installer without the edits is never handed out as a success; then
// the working copy keeps none of them, and `reason` says why; `refused` names a setting whose
// value the configuration's code page cannot hold.
int applyEdits(const PathName& workspace, const PathName& workingCopy, const IniFile& ini,
               const QuickTimePreferences& quickTime, std::string& reason, std::string& refused) {
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

  if (!replaceConfiguration(edits, workspace, workingCopy, refused)) {
    reason = edits.reason();
    if (refused.empty() && reason.empty()) reason = "the installer's configuration cannot be read";
    return 0;
  }
  if (!edits.commit(0)) return reason = edits.reason(), 0;
  return 1;
}

bool isSeparator(char c) { return c == '/' || c == platform::pathSeparator(); }

// The last byte of the path that is a separator of its own (a double-byte character's trail byte
// never is), or npos.
std::size_t lastSeparator(const std::string& path) {
  std::size_t found = std::string::npos;
  const char* text = path.c_str();
  for (const char* p = text; *p != '\0'; p = nextChar(p)) {
    if (nextChar(p) == p + 1 && isSeparator(*p)) found = static_cast<std::size_t>(p - text);
  }
  return found;
}

}  // namespace

int isInsideFolder(const char* path, const char* folder) {
  platform::FileIdentity target;
  if (path == nullptr || folder == nullptr || !platform::fileIdentity(folder, target)) return 0;
  // The deepest part of the path that exists, then each folder above it as the system resolves
  // "..", are compared with the folder by identity: another spelling of the same place (letter
  // case, a short name, a link) is still inside, and no ".." step is taken on faith.
  std::string current = path;
  platform::FileIdentity identity;
  // Only a folder has a ".." of its own: a file's folder is found by dropping its name.
  while (!platform::fileIdentity((current + platform::pathSeparator() + ".").c_str(), identity)) {
    while (current.size() > 1 && isSeparator(current.back())) current.pop_back();
    const std::size_t separator = lastSeparator(current);
    if (separator == std::string::npos || separator + 1 == current.size()) return 0;
    // The separator stays when it ends a root ("/", "C:\\"), so that the root is asked too.
    const bool endsRoot = separator == 0 || (separator == 2 && current[1] == ':');
    current.resize(endsRoot ? separator + 1 : separator);
  }
  for (;;) {
    if (identity == target) return 1;
    if (!isSeparator(current.back())) current += platform::pathSeparator();
    current += "..";
    platform::FileIdentity parent;
    // The root is its own parent.
    if (!platform::fileIdentity(current.c_str(), parent) || parent == identity) return 0;
    identity = parent;
  }
}

void generatePlayer(Shell& shell, const char* workspacePath) {
  QuickTimeConsent consent;
  generatePlayer(shell, workspacePath, consent);
}

void generatePlayer(Shell& shell, const char* workspacePath, QuickTimeConsent& consent,
                    const char* installerPath) {
  const SharedString destination = shell.chooseSaveFile(suggestedDestination(installerPath));
  if (destination.empty()) return;

  const PathName workspace(workspacePath);
  const PathName configuration = workspace.join("cfadmin").join("kxenterprise.ini");
  const PathName workingCopy = workspace.join("playinst.exe");
  std::string missing;
  for (const PathName* file : {&workingCopy, &configuration}) {
    if (isExistingFile(*file)) continue;
    if (!missing.empty()) missing += '\n';
    missing += file->text();
  }
  if (!missing.empty()) {
    shell.showMessage(message_id::kMissingFiles, 1, missing);
    return;
  }

  IniFile ini;
  if (!ini.load(configuration)) {
    shell.showMessage(message_id::kCouldNotGenerate, 1,
                      std::string("Cannot read ") + configuration.text());
    return;
  }
  // Read before anything is written: a file the administrator declines or that cannot be read
  // leaves the working copy and the destination as they were.
  QuickTimePreferences quickTime;
  if (!loadQuickTimePreferences(shell, consent, ini, quickTime)) return;

  // Everything inside the Workspace is deleted when the program ends: a player saved there
  // would be lost. The copy replaces the destination in one step: a copy that could not be made
  // whole leaves what was there, and its reason is shown.
  if (isInsideFolder(destination.text(), workspacePath)) {
    shell.showMessage(
        message_id::kCouldNotGenerate, 1,
        composeMessage(messageText(message_id::kDestinationInWorkspace), destination.text()));
    return;
  }
  std::string reason;
  std::string refused;
  if (!applyEdits(workspace, workingCopy, ini, quickTime, reason, refused)) {
    if (!refused.empty()) {
      shell.showMessage(message_id::kValueNotInCodePage, 1, refused);
    } else {
      shell.showMessage(message_id::kCouldNotGenerate, 1,
                        std::string("Cannot update ") + workingCopy.text() + ": " + reason);
    }
    return;
  }
  if (!platform::copyFile(workingCopy.text(), destination.text(), &reason)) {
    if (reason.empty()) reason = std::string("Cannot write ") + destination.text();
    shell.showMessage(message_id::kCouldNotGenerate, 1, reason);
    return;
  }
  shell.showMessage(message_id::kPlayerGenerated, 0, destination.text());
}
