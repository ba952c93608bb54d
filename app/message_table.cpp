#include "app/message_table.h"

namespace {

struct Message {
  int id;
  const char* text;
};

constexpr Message kMessages[] = {
    {message_id::kErrorTitle, "Error"},
    {message_id::kNotAnInstaller, "File is not a valid Kestrix Enterprise Installer."},
    {message_id::kMissingFiles,
     "Missing files neccessary to generate player.\nPlease contact your system administrator."},
    {message_id::kCouldNotGenerate,
     "Could not generate player.\nPlease contact your system administrator."},
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
    {message_id::kSucceededTitle, "Succeeded"},
    {message_id::kPlayerGenerated, "Player Generated!"},
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

const char kInstallerDialogTitle[] = "Kestrix Enterprise Configuration Tool 2.1";

const char* messageText(int id) {
  for (const Message& m : kMessages) {
    if (m.id == id) return m.text;
  }
  return nullptr;
}
