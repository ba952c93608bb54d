#include "app/cli/settings_generation.h"

#include <string>

#include "app/installer_generation.h"
#include "app/quicktime_preferences.h"
#include "base/path_name.h"
#include "platform/file_io.h"
#include "workspace/folder_object.h"

namespace {

constexpr int kNameAttempts = 1000;

// A folder of this run alone, made where the Workspace would be, removed with everything in it.
class ScratchFolder {
 public:
  int create(std::string& reason) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      const std::string name = "~kxcli" + std::to_string(attempt);
      if (!folder_.setTempPath(nullptr, name.c_str())) {
        reason = "no temporary folder can be used";
        return 0;
      }
      // Creation alone decides: a name that exists, whoever made it, is passed over.
      if (folder_.createNewFolder() == 1) return created_ = 1;
    }
    reason = "no scratch folder can be made in the temporary folder";
    return 0;
  }
  ~ScratchFolder() {
    if (created_) folder_.removeTree(1);
  }
  PathName path() const { return PathName(folder_.path().text()); }

 private:
  FolderObject folder_;
  int created_ = 0;
};

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
  ScratchFolder scratch;
  if (!scratch.create(reason)) return GenerationResult::kWriteFailed;
  const PathName workingCopy = scratch.path().join("playinst.exe");
  if (!platform::copyFile(job.installer.c_str(), workingCopy.text(), &reason))
    return GenerationResult::kWriteFailed;

  const std::string edits = settingsText(job.settings);
  QuickTimePreferences quickTime;
  quickTime.wanted = job.withQuickTime ? 1 : 0;
  quickTime.bytes = job.quickTime;

  GenerationRequest request;
  request.workingCopy = workingCopy.text();
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
