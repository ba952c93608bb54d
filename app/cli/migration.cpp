#include "app/cli/migration.h"

#include <algorithm>

#include "app/cli/release_rules.h"
#include "platform/ansi_text.h"

namespace {

bool fitsCodePage(const std::string& utf8, unsigned codePage) {
  if (codePage == 0) return true;
  std::u16string wide;
  std::string bytes;
  return platform::codePageToUtf16(65001, utf8, wide) &&
         platform::utf16ToCodePage(codePage, wide, bytes);
}

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string htmlText(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

}  // namespace

const char* outcomeName(MigrationOutcome outcome) {
  switch (outcome) {
    case MigrationOutcome::kCarried:
      return "carried";
    case MigrationOutcome::kKept:
      return "kept";
    case MigrationOutcome::kDropped:
      return "dropped";
    case MigrationOutcome::kRefused:
      return "refused";
  }
  return "";
}

Migration planMigration(const std::vector<SettingEntry>& customised,
                        const std::vector<SettingEntry>& fresh, const ReleaseRules& rules,
                        unsigned codePage) {
  Migration migration;
  for (const SettingEntry& old : customised) {
    MigrationLine line;
    line.old = &old;
    line.fresh = findEntry(fresh, old.section, old.key);
    if (line.fresh == nullptr) {
      line.outcome = MigrationOutcome::kDropped;
    } else {
      // The new installer's spelling of the section and key, the customised value and lock; a
      // lock the customised installer does not give stays as the new one has it.
      SettingEntry carried = *line.fresh;
      carried.value = old.value;
      if (old.hasLock) {
        carried.hasLock = true;
        carried.lock = old.lock;
      }
      // A value the new installer holds itself is no change: it is carried whatever the rules say.
      const bool same = carried.value == line.fresh->value;
      if (!same) line.rule = rules.check(carried);
      if (!same && line.rule.empty() && !fitsCodePage(carried.value, codePage))
        line.rule = "cannot be written in code page " + std::to_string(codePage);
      line.outcome = line.rule.empty() ? MigrationOutcome::kCarried : MigrationOutcome::kRefused;
      if (line.rule.empty()) migration.carried.push_back(std::move(carried));
    }
    migration.lines.push_back(std::move(line));
  }
  for (const SettingEntry& entry : fresh) {
    if (findEntry(customised, entry.section, entry.key) != nullptr) continue;
    MigrationLine line;
    line.outcome = MigrationOutcome::kKept;
    line.fresh = &entry;
    migration.lines.push_back(std::move(line));
  }
  // Settings that must not exceed others are judged as the new installer will hold them.
  std::vector<SettingEntry> result = fresh;
  for (const SettingEntry& carried : migration.carried) {
    for (SettingEntry& entry : result) {
      if (sameName(entry.section, carried.section) && entry.key == carried.key) entry = carried;
    }
  }
  for (MigrationLine& line : migration.lines) {
    if (line.outcome != MigrationOutcome::kCarried) continue;
    SettingEntry carried = *line.fresh;
    carried.value = line.old->value;
    if (carried.value == line.fresh->value) continue;
    line.rule = rules.checkRelation(carried, result);
    if (line.rule.empty()) continue;
    line.outcome = MigrationOutcome::kRefused;
    for (auto it = migration.carried.begin(); it != migration.carried.end(); ++it) {
      if (sameName(it->section, carried.section) && it->key == carried.key) {
        migration.carried.erase(it);
        break;
      }
    }
  }
  std::stable_sort(migration.lines.begin(), migration.lines.end(),
                   [&](const MigrationLine& a, const MigrationLine& b) {
                     return rules.order(a.entry()) < rules.order(b.entry());
                   });
  return migration;
}

ReportFormat reportFormatOf(const std::string& path) {
  std::string lower = path;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  const auto endsWith = [&](const std::string& end) {
    return lower.size() > end.size() &&
           lower.compare(lower.size() - end.size(), end.size(), end) == 0;
  };
  if (endsWith(".csv")) return ReportFormat::kCsv;
  if (endsWith(".html") || endsWith(".htm")) return ReportFormat::kHtml;
  return ReportFormat::kNone;
}

std::string migrationSummary(const Migration& migration) {
  int counts[4] = {0, 0, 0, 0};
  for (const MigrationLine& line : migration.lines) ++counts[static_cast<int>(line.outcome)];
  return "carried " + std::to_string(counts[0]) + ", kept " + std::to_string(counts[1]) +
         ", dropped " + std::to_string(counts[2]) + ", refused " + std::to_string(counts[3]);
}

std::string migrationReport(const Migration& migration, const ReleaseRules& rules,
                            ReportFormat format) {
  static const char* const kColumns[] = {"outcome",   "category", "label",     "section",  "key",
                                         "old value", "old lock", "new value", "new lock", "rule"};
  std::vector<std::vector<std::string>> rows;
  for (const MigrationLine& line : migration.lines) {
    // What the new installer ends up with: the customised value when carried, its own otherwise.
    const SettingEntry* result = line.outcome == MigrationOutcome::kCarried ? nullptr : line.fresh;
    std::string newValue;
    std::string newLock;
    if (line.outcome == MigrationOutcome::kCarried) {
      newValue = line.old->value;
      newLock = line.old->hasLock ? line.old->lock : line.fresh->lock;
    } else if (result != nullptr) {
      newValue = result->value;
      newLock = result->lock;
    }
    rows.push_back({outcomeName(line.outcome), rules.category(line.entry()),
                    rules.label(line.entry()), line.entry().section, line.entry().key,
                    line.old != nullptr ? line.old->value : std::string(),
                    line.old != nullptr ? line.old->lock : std::string(), newValue, newLock,
                    line.rule});
  }

  std::string text;
  if (format == ReportFormat::kCsv) {
    for (const char* column : kColumns) {
      if (!text.empty()) text += ',';
      text += column;
    }
    text += "\r\n";
    for (const auto& row : rows) {
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (i != 0) text += ',';
        text += csvField(row[i]);
      }
      text += "\r\n";
    }
    return text;
  }
  text =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Migration report</title>"
      "</head><body>\n<p>" +
      htmlText(migrationSummary(migration)) + "</p>\n<table>\n<tr>";
  for (const char* column : kColumns) text += "<th>" + std::string(column) + "</th>";
  text += "</tr>\n";
  for (const auto& row : rows) {
    text += "<tr>";
    for (const std::string& cell : row) text += "<td>" + htmlText(cell) + "</td>";
    text += "</tr>\n";
  }
  return text + "</table>\n</body></html>\n";
}
