#include "app/quicktime_preferences.h"

#include <cstdint>
#include <string>

#include "app/message_table.h"
#include "platform/file_attributes.h"
#include "platform/file_io.h"

int loadQuickTimePreferences(Shell& shell, QuickTimeConsent& consent, const IniFile& configuration,
                             QuickTimePreferences& preferences) {
  preferences = QuickTimePreferences();
  if (configuration.readInt("qt_preferences", "ApplyQTPrefs", 0) == 0) return 1;
  preferences.wanted = 1;
  const std::string path =
      configuration.readString("qt_preferences", "QuickTimeLocation", "").text();

  // Only a regular file is offered, and what is shown of it is learnt without opening it: a device
  // or a pipe named by the configuration must neither block nor be read, and a file on another
  // computer is not even looked at (which would contact that computer) before the administrator
  // agrees.
  std::uint64_t size = 0;
  const platform::FileLook look =
      path.empty() ? platform::FileLook::kMissing : platform::examineFile(path.c_str(), size);
  if (look == platform::FileLook::kMissing || look == platform::FileLook::kNotRegular) {
    shell.showMessage(message_id::kQuickTimeUnreadable, 1, path);
    return 0;
  }
  if (!consent.allows(path)) {
    const std::string shown =
        path + "\n" +
        (look == platform::FileLook::kRegular ? std::to_string(size) + " bytes"
                                              : std::string("size not known before it is read"));
    if (!shell.askYesNo(message_id::kConfirmQuickTime, shown.c_str())) return 0;
    consent.grant(path);
  }
  if (!platform::readWholeFile(path.c_str(), preferences.bytes)) {
    shell.showMessage(message_id::kQuickTimeUnreadable, 1, path);
    return 0;
  }
  return 1;
}
