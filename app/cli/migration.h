#pragma once

#include <string>
#include <vector>

#include "app/cli/setting_list.h"

class ReleaseRules;

// What becomes of each setting when a customisation moves onto a newer installer.
enum class MigrationOutcome {
  kCarried,  // the new installer has it and the customised value is valid there
  kKept,     // only the new installer has it: its value stays
  kDropped,  // the new installer no longer has it
  kRefused,  // the customised value breaks the new installer's rules: the new value stays
};

struct MigrationLine {
  MigrationOutcome outcome;
  const SettingEntry* old = nullptr;    // in the customised installer
  const SettingEntry* fresh = nullptr;  // in the new installer, before migration
  std::string rule;                     // the rule a refused value breaks
  const SettingEntry& entry() const { return old != nullptr ? *old : *fresh; }
};

struct Migration {
  std::vector<MigrationLine> lines;   // every setting of either, in catalogue order
  std::vector<SettingEntry> carried;  // the settings to write into the new installer
};

// Plans the move; the entries must outlive the result. A value the new configuration's code page
// (`codePage`; 0 for a configuration in UTF-16) cannot hold is refused too.
Migration planMigration(const std::vector<SettingEntry>& customised,
                        const std::vector<SettingEntry>& fresh, const ReleaseRules& rules,
                        unsigned codePage);

enum class ReportFormat { kNone, kCsv, kHtml };

// The format a report file's name asks for (".csv" or ".html", any case), or kNone.
ReportFormat reportFormatOf(const std::string& path);

// The report: one line (CSV row or HTML table row) per setting, with its outcome, category,
// label, section, key, old value and lock, the value and lock the new installer ends up with, and
// the rule of a refused value.
std::string migrationReport(const Migration& migration, const ReleaseRules& rules,
                            ReportFormat format);

// "carried 12, kept 1, dropped 1, refused 1"
std::string migrationSummary(const Migration& migration);

// "carried", "kept", "dropped", "refused"
const char* outcomeName(MigrationOutcome outcome);
