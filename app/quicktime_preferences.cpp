#include "app/quicktime_preferences.h"

#include <filesystem>
#include <system_error>

#include "app/message_table.h"
#include "platform/file_io.h"

int loadQuickTimePreferences(Shell& shell, QuickTimeConsent& consent, const IniFile& configuration,
                             QuickTimePreferences& preferences) {
  preferences = QuickTimePreferences();
  if (configuration.readInt("qt_preferences", "ApplyQTPrefs", 0) == 0) return 1;
  preferences.wanted = 1;
  const std::string path =
      configuration.readString("qt_preferences", "QuickTimeLocation", "").text();

  // Only a regular file is offered, and its size is learnt without opening it: a device or a pipe
  // named by the configuration must neither block nor be read.
  std::error_code error;
  const std::filesystem::path file(path);
  const bool regular = !path.empty() && std::filesystem::is_regular_file(file, error);
  const auto size = regular ? std::filesystem::file_size(file, error) : 0;
  if (!regular || error) {
    shell.showMessage(message_id::kQuickTimeUnreadable, 1, path);
    return 0;
  }
  if (!consent.allows(path)) {
    const std::string shown = path + "\n" + std::to_string(size) + " bytes";
    if (!shell.askYesNo(message_id::kConfirmQuickTime, shown.c_str())) return 0;
    consent.grant(path);
  }
  if (!platform::readWholeFile(path.c_str(), preferences.bytes)) {
    shell.showMessage(message_id::kQuickTimeUnreadable, 1, path);
    return 0;
  }
  return 1;
}
