#include "app/player_generation.h"

#include <string>

#include "app/configuration_update.h"
#include "app/installer_generation.h"
#include "app/message_table.h"
#include "app/quicktime_preferences.h"
#include "app/save_destination.h"
#include "base/double_byte.h"
#include "base/shared_string.h"
#include "config/ini_file.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "platform/path_rules.h"

namespace {

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

int generatePlayer(Shell& shell, const char* workspacePath) {
  QuickTimeConsent consent;
  return generatePlayer(shell, workspacePath, consent);
}

int generatePlayer(Shell& shell, const char* workspacePath, QuickTimeConsent& consent,
                   const char* installerPath) {
  const SharedString destination = shell.chooseSaveFile(suggestedDestination(installerPath));
  if (destination.empty()) return 0;

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
    return 0;
  }

  IniFile ini;
  if (!ini.load(configuration)) {
    shell.showMessage(message_id::kCouldNotGenerate, 1,
                      std::string("Cannot read ") + configuration.text());
    return 0;
  }
  // Read before anything is written: a file the administrator declines or that cannot be read
  // leaves the working copy and the destination as they were.
  QuickTimePreferences quickTime;
  if (!loadQuickTimePreferences(shell, consent, ini, quickTime)) return 0;

  // Everything inside the Workspace is deleted when the program ends: a player saved there
  // would be lost. The copy replaces the destination in one step: a copy that could not be made
  // whole leaves what was there, and its reason is shown.
  if (isInsideFolder(destination.text(), workspacePath)) {
    shell.showMessage(
        message_id::kCouldNotGenerate, 1,
        composeMessage(messageText(message_id::kDestinationInWorkspace), destination.text()));
    return 0;
  }
  EditorConfiguration files;
  GenerationRequest request;
  request.workingCopy = workingCopy.text();
  request.installMode = ini.readInt("setup", "installmode", 1);
  request.quickTime = &quickTime;
  request.destination = destination.text();
  GenerationFailure failure;
  if (!files.load(workspace, workingCopy)) {
    failure.reason = "the installer's configuration cannot be read";
  } else {
    request.configuration = files.input();
    if (generateInstaller(request, failure)) {
      shell.showMessage(message_id::kPlayerGenerated, 0, destination.text());
      return 1;
    }
  }
  if (!failure.refused.empty()) {
    shell.showMessage(message_id::kValueNotInCodePage, 1, failure.refused);
  } else if (failure.copying) {
    if (failure.reason.empty()) failure.reason = std::string("Cannot write ") + destination.text();
    shell.showMessage(message_id::kCouldNotGenerate, 1, failure.reason);
  } else {
    shell.showMessage(message_id::kCouldNotGenerate, 1,
                      std::string("Cannot update ") + workingCopy.text() + ": " + failure.reason);
  }
  return 0;
}
