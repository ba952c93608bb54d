#include "app/message_table.h"

namespace {

struct Message {
  int id;
  const char* text;
};

constexpr Message kMessages[] = {
    {message_id::kErrorTitle, "Error"},
    {message_id::kNotAnInstaller, "File is not a valid Kestrix Enterprise Installer."},
    {message_id::kMissingFiles, "Files needed to generate the player are missing:\n%s"},
    {message_id::kCouldNotGenerate, "Could not generate the player.\n%s"},
    {message_id::kInstallerNotFound, "Kestrix Enterprise Installer file not found."},
    {message_id::kConfirmQuickTime,
     "Build this QuickTime preferences file into the installer?\n\n%s"},
    {message_id::kQuickTimeUnreadable,
     "The QuickTime preferences file could not be read. No player was generated."},
    {message_id::kConfirmTitle, "Confirm"},
    {message_id::kValueNotInCodePage,
     "A value has a character that the code page of the installer's configuration cannot hold, "
     "so the player was not generated.\nChange the value, or name the code page with the "
     "setting KESTRIX_CODEPAGE."},
    {message_id::kEditorNotWritten,
     "The preference editor could not be written to the temporary folder."},
    {message_id::kConfigurationNotSaved,
     "The installer's configuration could not be saved in the temporary folder."},
    {message_id::kNoInstallerChosen,
     "Choose the Kestrix Enterprise installer first: type its path or use Browse."},
    {message_id::kInstallerFieldHint, "Type the installer's path or use Browse."},
    {message_id::kInstallerFieldName, "Installer: %s"},
    {message_id::kDiscardEdits,
     "Your changes have not been used to generate a player.\nDiscard them and close?"},
    {message_id::kDestinationInWorkspace,
     "%s is in the program's temporary folder, which is deleted when the program ends. "
     "Choose another folder."},
    {message_id::kSucceededTitle, "Succeeded"},
    {message_id::kPlayerGenerated, "Player generated:\n%s"},
    {message_id::kExecutableFilter, "Player Executable File (*.exe)|*.exe|"},
    {message_id::kWindowTitle, "Kestrix Enterprise Configuration Tool"},
};

}  // namespace

const char kWelcomeText[] =
    "Welcome to the Kestrix Enterprise Configuration Tool.\n"
    "This program will allow you to configure Kestrix Enterprise for your organization.\n\n"
    "Please select the Kestrix Enterprise installation file to configure.\n"
    "The program will allow you to make configuration changes and then save a new installation "
    "file for distribution.";

const char kInstallerDialogTitle[] = "Kestrix Enterprise Configuration Tool";

const char* messageText(int id) {
  for (const Message& m : kMessages) {
    if (m.id == id) return m.text;
  }
  return nullptr;
}

std::string composeMessage(const char* text, const std::string& detail) {
  std::string composed = text != nullptr ? text : "";
  const std::size_t at = composed.find("%s");
  if (at != std::string::npos) {
    composed.replace(at, 2, detail);
  } else if (!detail.empty()) {
    composed += "\n\n" + detail;
  }
  while (!composed.empty() && (composed.back() == '\n' || composed.back() == ' ')) {
    composed.pop_back();
  }
  return composed;
}
