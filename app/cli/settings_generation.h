#pragma once

#include <string>
#include <vector>

#include "app/cli/installer_facts.h"
#include "app/cli/setting_list.h"

// A customised installer written from settings, without windows, by the same generation the
// editor's generate link runs: the installer is only read, and the edited file is written once,
// beside the destination, and takes its place in one step.
struct SettingsGeneration {
  std::string installer;  // the installer to start from
  const InstallerFacts* facts = nullptr;
  std::vector<SettingEntry> settings;  // the settings to apply, UTF-8
  int installMode = 0;                 // 1 normal, 2 silent, 0 leaves string 300 as it is
  bool withQuickTime = false;
  std::string quickTime;  // the QuickTime preferences to build in, when withQuickTime
  std::string destination;
};

enum class GenerationResult { kWritten, kRefused, kWriteFailed };

// kRefused when a value cannot be written in the configuration's code page (`reason` names the
// setting), kWriteFailed when the installer cannot be read or the destination written.
GenerationResult generateFromSettings(const SettingsGeneration& job, std::string& reason);

// The settings as a configuration text (UTF-8) that the editor could have saved: counted records
// in kx_preferences and datatypes, every other key as it is.
std::string settingsText(const std::vector<SettingEntry>& settings);
