#pragma once

#include <string>

// The program's user messages: every dialog and box takes its texts from here. The Windows build
// carries the same texts in its string table (res/), and a test holds the two together.
namespace message_id {
inline constexpr int kErrorTitle = 4;
inline constexpr int kNotAnInstaller = 10;
inline constexpr int kMissingFiles = 11;
inline constexpr int kCouldNotGenerate = 12;
inline constexpr int kInstallerNotFound = 13;
inline constexpr int kConfirmQuickTime = 20;
inline constexpr int kQuickTimeUnreadable = 21;
inline constexpr int kConfirmTitle = 22;
inline constexpr int kValueNotInCodePage = 23;
inline constexpr int kEditorNotWritten = 24;
inline constexpr int kConfigurationNotSaved = 25;
inline constexpr int kNoInstallerChosen = 30;
inline constexpr int kInstallerFieldHint = 31;
inline constexpr int kInstallerFieldName = 32;
inline constexpr int kDiscardEdits = 33;
inline constexpr int kDestinationInWorkspace = 34;
inline constexpr int kSucceededTitle = 50;
inline constexpr int kPlayerGenerated = 51;
inline constexpr int kExecutableFilter = 100;
inline constexpr int kWindowTitle = 101;
}  // namespace message_id

// The text of a message id, or null for an id the table does not hold.
const char* messageText(int id);

// A message as a box shows it: `text` with its "%s" replaced by `detail` (the path, the file and
// the system's reason), or, for a text without one, the detail as a paragraph of its own.
// Trailing blank lines left by an empty detail are dropped.
std::string composeMessage(const char* text, const std::string& detail);

// Dialog 137's welcome text, set at initialisation (328 characters).
extern const char kWelcomeText[];
// Dialog 137's title.
extern const char kInstallerDialogTitle[];
