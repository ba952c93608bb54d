#include "app/cli/settings_generation.h"

#include <string>

#include "app/installer_generation.h"
#include "app/quicktime_preferences.h"

namespace {

bool isRecordSection(const std::string& section) {
  return section == "kx_preferences" || section == "datatypes";
}

std::string lowered(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

std::string settingsText(const std::vector<SettingEntry>& settings) {
  // Sections in the order they first appear; records of a section before its other keys.
  std::vector<std::string> order;
  for (const SettingEntry& entry : settings) {
    bool known = false;
    for (const std::string& name : order) known = known || sameName(name, entry.section);
    if (!known) order.push_back(entry.section);
  }
  std::string text;
  for (const std::string& section : order) {
    const bool records = isRecordSection(lowered(section));
    const bool datatypes = lowered(section) == "datatypes";
    text += "[" + section + "]\r\n";
    int count = 0;
    for (const SettingEntry& entry : settings) {
      if (!sameName(entry.section, section) || !entry.record) continue;
      const std::string n = std::to_string(++count);
      text += (datatypes ? "Datatype" : "Key") + n + "=" + entry.key + "\r\n";
      text += (datatypes ? "Status" : "Value") + n + "=" + entry.value + "\r\n";
      if (entry.hasLock) text += "Locked" + n + "=" + entry.lock + "\r\n";
    }
    if (records)
      text += (datatypes ? "DatatypeCount=" : "PrefsCount=") + std::to_string(count) + "\r\n";
    for (const SettingEntry& entry : settings) {
      if (!sameName(entry.section, section) || entry.record) continue;
      text += entry.key + "=" + entry.value + "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

GenerationResult generateFromSettings(const SettingsGeneration& job, std::string& reason) {
  reason.clear();

  const std::string edits = settingsText(job.settings);
  QuickTimePreferences quickTime;
  quickTime.wanted = job.withQuickTime ? 1 : 0;
  quickTime.bytes = job.quickTime;

  GenerationRequest request;
  // The installer is only read: the edits go straight into the destination's new file.
  request.workingCopy = job.installer;
  request.editWorkingCopy = false;
  request.configuration.original = job.facts->configuration;
  request.configuration.codePage = job.facts->codePage;
  request.configuration.result = edits;
  request.configuration.hasUnedited = false;
  request.configuration.editorCodePage = 65001;
  request.installMode = job.installMode;
  request.quickTime = &quickTime;
  request.destination = job.destination;
  GenerationFailure failure;
  if (generateInstaller(request, failure)) return GenerationResult::kWritten;
  if (!failure.refused.empty()) {
    reason = failure.refused;
    return GenerationResult::kRefused;
  }
  reason = failure.reason;
  return GenerationResult::kWriteFailed;
}
