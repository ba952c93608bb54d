#include "app/cli/command_line.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "app/cli/installer_facts.h"
#include "app/cli/json_text.h"
#include "app/cli/migration.h"
#include "app/cli/release_rules.h"
#include "app/cli/setting_list.h"
#include "app/cli/settings_generation.h"
#include "platform/file_io.h"

// The project's version as major.minor, given by the build.
const char kProgramVersion[] = KX_PRODUCT_VERSION;

namespace {

constexpr char kProgram[] = "kestrix-config";

constexpr char kHelp[] =
    R"(Usage: kestrix-config [COMMAND ARGUMENTS...] [--quiet]

Without arguments the program opens its windows. With a command it runs without windows (it needs
no display) and reports on standard output and standard error.

Commands:
  show INSTALLER [--json]
      Every setting the installer's configuration holds (category, label, section, key, value,
      lock), in catalogue order, then the settings the catalogue does not know; the installation
      mode (string 300), whether QuickTime preferences are present, the configuration's code page,
      the product version and whether the installer is signed.
  export INSTALLER [-o FILE]
      The installer's configuration exactly as the installer holds it, byte for byte, to FILE or
      to standard output. The result is a settings file for generate.
  validate FILE [--installer INSTALLER]
      Checks every setting of FILE (a settings file or an installer) against the catalogue's rules,
      as they stand for INSTALLER (or for FILE itself when it is an installer). Every setting that
      breaks a rule is listed on standard error with its rule.
  generate INSTALLER --settings FILE -o OUT [--install-mode normal|silent] [--quicktime QTFILE]
      Writes OUT: INSTALLER with the settings of FILE applied, exactly as the editor's generate
      link writes it for the same edits. FILE holds all or only some settings. It is checked first:
      when any setting it changes breaks a rule, each is listed and nothing is written. Only what
      FILE changes is changed; everything else in the configuration stays byte for byte. --install-mode sets
      string 300 (" /p" or " /s") and the setting InstallMode of [setup]; without it and without
      InstallMode in FILE, string 300 stays as it is. --quicktime builds QTFILE in as the QuickTime
      preferences (only into an installer that has them).
  diff A B [--json]
      The settings that differ (value or lock) between A and B, each an installer or a settings
      file, in catalogue order.
  migrate CUSTOMISED NEW_INSTALLER -o OUT [--report REPORT.csv|REPORT.html]
      Carries the customisation of CUSTOMISED onto NEW_INSTALLER and writes OUT. Every setting is
      carried (NEW_INSTALLER has it and the customised value is valid there), kept (only
      NEW_INSTALLER has it: its value stays), dropped (NEW_INSTALLER no longer has it) or refused
      (the customised value differs from NEW_INSTALLER's and breaks its rules or code page: its own
      value stays). The installation
      mode and QuickTime preferences are carried too. Dropped and refused settings are listed on
      standard error; the report lists every setting with its old and new value.

Options:
  -o, --output FILE   where export, generate and migrate write; written whole or not at all
  --json              show and diff print JSON
  -q, --quiet         print nothing but the requested output and errors
  -h, --help          this text
  --version           the program's version

Settings files:
  The configuration's own INI format, as export writes it: sections [kx_preferences] and
  [datatypes] hold counted records (KeyN/ValueN/LockedN with PrefsCount, DatatypeN/StatusN/LockedN
  with DatatypeCount); every other section holds Key=Value lines. A file may hold only some
  settings. In kx_preferences and datatypes, Name=value stands for the value of the installer's
  record Name. Text is UTF-8 (with or without a byte-order mark), UTF-16 with a byte-order mark, or
  else the code page of the installer's configuration.

Rules:
  A setting's rules are the catalogue's, as the installer's player release (the product version
  of its version resource) has them: a later release may narrow a setting's limits. An installer
  has the settings its configuration holds. Settings the catalogue does not know are carried
  unchecked.

Exit codes:
  0  success (diff: no differences)
  1  diff: the two differ
  2  usage: unknown command or option, missing argument
  3  unreadable input: a file is missing or cannot be read
  4  not an installer: an executable without a configuration, or no executable
  5  invalid settings: a setting breaks its rule or cannot be written in the configuration's code
     page; nothing was written
  6  write failure: an output could not be written; what was there is left as it was
)";

struct Options {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // options that take a value, by long name
  bool json = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
};

class Run {
 public:
  Run(std::string& out, std::string& err) : out_(out), err_(err) {}

  int usage(const std::string& message) {
    err_ += std::string(kProgram) + ": " + message + "\nTry 'kestrix-config --help'.\n";
    return exit_code::kUsage;
  }
  int fail(int code, const std::string& file, const std::string& message) {
    err_ += std::string(kProgram) + ": " + file + ": " + message + "\n";
    return code;
  }
  void note(const std::string& message) {
    if (!quiet_) err_ += std::string(kProgram) + ": " + message + "\n";
  }
  void say(const std::string& text) {
    if (!quiet_) out_ += text;
  }

  int parse(const std::vector<std::string>& arguments, Options& options) {
    static const std::map<std::string, std::string> kValued = {{"-o", "output"},
                                                               {"--output", "output"},
                                                               {"--settings", "settings"},
                                                               {"--install-mode", "install-mode"},
                                                               {"--quicktime", "quicktime"},
                                                               {"--report", "report"},
                                                               {"--installer", "installer"}};
    bool onlyPositional = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      std::string argument = arguments[i];
      if (onlyPositional || argument.empty() || argument[0] != '-' || argument == "-") {
        options.positional.push_back(argument);
        continue;
      }
      if (argument == "--") {
        onlyPositional = true;
        continue;
      }
      std::string inlineValue;
      bool hasInline = false;
      const std::size_t equals = argument.find('=');
      if (argument.rfind("--", 0) == 0 && equals != std::string::npos) {
        inlineValue = argument.substr(equals + 1);
        argument.resize(equals);
        hasInline = true;
      }
      const auto valued = kValued.find(argument);
      if (valued != kValued.end()) {
        if (!hasInline && i + 1 >= arguments.size())
          return usage("option " + argument + " needs a value");
        if (options.values.count(valued->second) != 0)
          return usage("option " + argument + " is given twice");
        options.values[valued->second] = hasInline ? inlineValue : arguments[++i];
        continue;
      }
      if (hasInline) return usage("option " + argument + " takes no value");
      if (argument == "--json") {
        options.json = true;
      } else if (argument == "-q" || argument == "--quiet") {
        options.quiet = true;
      } else if (argument == "-h" || argument == "--help") {
        options.help = true;
      } else if (argument == "--version") {
        options.version = true;
      } else {
        return usage("unknown option " + argument);
      }
    }
    quiet_ = options.quiet;
    return exit_code::kSuccess;
  }

  // Checks that the command got exactly its arguments and no option it does not take.
  int expect(const Options& options, std::size_t arguments,
             std::initializer_list<const char*> allowed, bool json) {
    const std::string& command = options.positional[0];
    if (options.positional.size() - 1 != arguments) {
      return usage(command + " takes " + std::to_string(arguments) + " file argument" +
                   (arguments == 1 ? "" : "s"));
    }
    for (const auto& option : options.values) {
      const std::string& name = option.first;
      if (std::find_if(allowed.begin(), allowed.end(), [&](const char* a) { return name == a; }) ==
          allowed.end())
        return usage(command + " takes no option --" + name);
    }
    if (options.json && !json) return usage(command + " takes no option --json");
    return exit_code::kSuccess;
  }

  // An installer, or (when `settingsAllowed`) a settings file, read as settings.
  struct Input {
    std::string path;
    bool isInstaller = false;
    InstallerFacts facts;
    std::string bytes;  // a settings file's bytes
    std::vector<SettingEntry> entries;
  };

  int readInstaller(const std::string& path, Input& input) {
    input.path = path;
    std::string reason;
    switch (readInstallerFacts(path, input.facts, reason)) {
      case InstallerReadResult::kRead:
        input.isInstaller = true;
        input.entries = readSettingEntries(
            configurationAsUtf8(input.facts.configuration, input.facts.codePage));
        return exit_code::kSuccess;
      case InstallerReadResult::kUnreadable:
        return fail(exit_code::kUnreadableInput, path, reason);
      case InstallerReadResult::kNotExecutable:
      case InstallerReadResult::kNoConfiguration:
        break;
    }
    return fail(exit_code::kNotAnInstaller, path,
                "is not a Kestrix Enterprise installer: it " + reason);
  }

  // A file that is no executable is a settings file, read in `codePage` unless it says otherwise.
  int readInstallerOrSettings(const std::string& path, unsigned codePage, Input& input) {
    input.path = path;
    std::string reason;
    const InstallerReadResult read = readInstallerFacts(path, input.facts, reason);
    if (read == InstallerReadResult::kUnreadable)
      return fail(exit_code::kUnreadableInput, path, reason);
    if (read == InstallerReadResult::kNoConfiguration)
      return fail(exit_code::kNotAnInstaller, path,
                  "is not a Kestrix Enterprise installer: it " + reason);
    if (read == InstallerReadResult::kRead) return readInstaller(path, input);
    return readSettings(path, codePage, input);
  }

  int readSettings(const std::string& path, unsigned codePage, Input& input) {
    input.path = path;
    if (!platform::readWholeFile(path.c_str(), input.bytes))
      return fail(exit_code::kUnreadableInput, path, "cannot be read");
    input.entries = readSettingEntries(configurationAsUtf8(input.bytes, codePage));
    return exit_code::kSuccess;
  }

  // Lists every entry that breaks its rule on standard error; 1 when all are valid.
  bool checkEntries(const std::string& file, const std::vector<SettingEntry>& entries,
                    const ReleaseRules& rules) {
    bool valid = true;
    for (const SettingEntry& entry : entries) {
      const std::string broken = rules.check(entry);
      if (broken.empty()) continue;
      valid = false;
      fail(0, file,
           settingName(entry) + " = \"" + entry.value + "\"" +
               (entry.hasLock ? " (lock " + entry.lock + ")" : "") + ": " + broken);
    }
    return valid;
  }

  // Lists every setting of `after` that exceeds the one it must not exceed, unless it did so in
  // `before` already; 1 when there is none.
  bool checkRelations(const std::string& file, const ReleaseRules& rules,
                      const std::vector<SettingEntry>& before,
                      const std::vector<SettingEntry>& after) {
    bool valid = true;
    for (const SettingEntry& entry : after) {
      const std::string broken = rules.checkRelation(entry, after);
      if (broken.empty()) continue;
      const SettingEntry* was = findEntry(before, entry.section, entry.key);
      if (was != nullptr && !rules.checkRelation(*was, before).empty()) continue;
      valid = false;
      fail(0, file, settingName(entry) + " = \"" + entry.value + "\": " + broken);
    }
    return valid;
  }

  static std::string settingName(const SettingEntry& entry) {
    return "[" + entry.section + "] " + entry.key;
  }

  int show(const Options& options) {
    if (const int bad = expect(options, 1, {}, true)) return bad;
    Input input;
    if (const int bad = readInstaller(options.positional[1], input)) return bad;
    const InstallerFacts& facts = input.facts;
    const ReleaseRules rules(&facts);
    std::vector<SettingEntry> entries = sortedEntries(input.entries, rules);
    const std::string mode = facts.hasModeSwitch ? installModeName(facts.modeSwitch) : "";

    if (options.json) {
      JsonText json;
      json.open('{');
      json.member("installer").string(input.path);
      json.member("productVersion");
      facts.hasVersion ? json.string(versionText(facts.productVersion)) : json.null();
      json.member("codePage").number(facts.codePage);
      json.member("installMode");
      facts.hasModeSwitch ? json.string(mode.empty() ? "other" : mode) : json.null();
      json.member("installModeSwitch");
      facts.hasModeSwitch ? json.string(facts.modeSwitch) : json.null();
      json.member("quickTimePreferences").boolean(facts.hasQuickTime);
      json.member("quickTimePreferencesSize").number(facts.quickTimeSize);
      json.member("signed").boolean(facts.isSigned);
      json.member("settings").open('[');
      for (const SettingEntry& entry : entries) entryJson(json, entry, rules);
      json.close(']');
      json.close('}');
      out_ += json.text() + "\n";
      return exit_code::kSuccess;
    }

    out_ += "Installer: " + input.path + "\n";
    out_ += "Product version: " +
            (facts.hasVersion ? versionText(facts.productVersion) : std::string("unknown")) + "\n";
    out_ += "Configuration code page: " + std::to_string(facts.codePage) + "\n";
    out_ += "Install mode: " +
            (!facts.hasModeSwitch ? std::string("no string 300")
                                  : (mode.empty() ? std::string("other") : mode) + " (\"" +
                                        facts.modeSwitch + "\")") +
            "\n";
    out_ += "QuickTime preferences: " +
            (facts.hasQuickTime ? "present (" + std::to_string(facts.quickTimeSize) + " bytes)"
                                : std::string("absent")) +
            "\n";
    out_ += std::string("Signed: ") +
            (facts.isSigned ? "yes (a customised installer made from it is not signed)"
                            : "no (generated installers are never signed)") +
            "\n\n";
    out_ += "category\tlabel\tsection\tkey\tvalue\tlock\n";
    for (const SettingEntry& entry : entries) {
      out_ += rules.category(entry) + "\t" + rules.label(entry) + "\t" + entry.section + "\t" +
              entry.key + "\t" + printable(entry.value) + "\t" + lockText(entry) + "\n";
    }
    return exit_code::kSuccess;
  }

  int exportConfiguration(const Options& options) {
    if (const int bad = expect(options, 1, {"output"}, false)) return bad;
    Input input;
    if (const int bad = readInstaller(options.positional[1], input)) return bad;
    const auto output = options.values.find("output");
    if (output == options.values.end() || output->second == "-") {
      out_ += input.facts.configuration;
      return exit_code::kSuccess;
    }
    std::string reason;
    const std::string& bytes = input.facts.configuration;
    if (!platform::writeWholeFile(output->second.c_str(), bytes.data(), bytes.size(), &reason))
      return fail(exit_code::kWriteFailure, output->second, writeReason(reason));
    return exit_code::kSuccess;
  }

  int validate(const Options& options) {
    if (const int bad = expect(options, 1, {"installer"}, false)) return bad;
    Input installer;
    const auto named = options.values.find("installer");
    if (named != options.values.end()) {
      if (const int bad = readInstaller(named->second, installer)) return bad;
    }
    Input input;
    const unsigned codePage = installer.isInstaller ? installer.facts.codePage : 1252;
    if (const int bad = readInstallerOrSettings(options.positional[1], codePage, input)) return bad;
    const InstallerFacts* release = installer.isInstaller ? &installer.facts
                                    : input.isInstaller   ? &input.facts
                                                          : nullptr;
    const ReleaseRules rules(release);
    const std::vector<SettingEntry> configuration =
        installer.isInstaller ? withOverrides(installer.entries, input.entries) : input.entries;
    const bool valid = checkEntries(input.path, input.entries, rules);
    if (!checkRelations(input.path, rules, {}, configuration) || !valid)
      return exit_code::kInvalidSettings;
    say(input.path + ": " + std::to_string(input.entries.size()) + " settings, all valid\n");
    return exit_code::kSuccess;
  }

  int generate(const Options& options) {
    if (const int bad =
            expect(options, 1, {"settings", "output", "install-mode", "quicktime"}, false))
      return bad;
    const auto settings = options.values.find("settings");
    const auto output = options.values.find("output");
    if (settings == options.values.end()) return usage("generate needs --settings FILE");
    if (output == options.values.end()) return usage("generate needs -o OUT");
    int installMode = 0;
    const auto mode = options.values.find("install-mode");
    if (mode != options.values.end()) {
      if (mode->second == "normal") {
        installMode = 1;
      } else if (mode->second == "silent") {
        installMode = 2;
      } else {
        return usage("--install-mode takes normal or silent, not \"" + mode->second + "\"");
      }
    }

    Input installer;
    if (const int bad = readInstaller(options.positional[1], installer)) return bad;
    Input input;
    if (const int bad = readSettings(settings->second, installer.facts.codePage, input)) return bad;
    SettingsGeneration job;
    job.settings = asRecords(input.entries, installer.entries);
    if (installMode != 0) {
      setEntry(job.settings, "setup", "InstallMode", std::to_string(installMode));
    } else if (const SettingEntry* given = findEntry(job.settings, "setup", "InstallMode")) {
      installMode = given->value == "1" ? 1 : given->value == "2" ? 2 : 0;
    }
    // What the installer already holds is no edit: only the changes must follow the rules.
    std::vector<SettingEntry> changes;
    for (const SettingEntry& entry : job.settings) {
      const SettingEntry* held = findEntry(installer.entries, entry.section, entry.key);
      if (held == nullptr || held->value != entry.value ||
          (entry.hasLock && (!held->hasLock || held->lock != entry.lock)))
        changes.push_back(entry);
    }
    const ReleaseRules rules(&installer.facts);
    const bool valid = checkEntries(input.path, changes, rules);
    if (!checkRelations(input.path, rules, installer.entries,
                        withOverrides(installer.entries, job.settings)) ||
        !valid)
      return exit_code::kInvalidSettings;

    const auto quickTime = options.values.find("quicktime");
    if (quickTime != options.values.end()) {
      if (!platform::readWholeFile(quickTime->second.c_str(), job.quickTime))
        return fail(exit_code::kUnreadableInput, quickTime->second, "cannot be read");
      job.withQuickTime = true;
      if (!installer.facts.hasQuickTime)
        note(installer.path + " has no QuickTime preferences: " + quickTime->second +
             " is not built in");
    }
    // Generation leaves the switch alone in an installer without a block it can rewrite; the
    // user who asked for a mode is told rather than handed an installer that silently ignores it.
    if (installMode != 0 && !installer.facts.canSetModeSwitch)
      note(installer.path +
           " has no string 300 that can be set: its installation mode stays as it is");
    job.installer = installer.path;
    job.facts = &installer.facts;
    job.installMode = installMode;
    job.destination = output->second;
    if (const int bad = write(job, input.path)) return bad;
    say(output->second + ": written\n");
    if (installer.facts.isSigned)
      note(output->second + " is not signed: sign it before it is distributed");
    return exit_code::kSuccess;
  }

  int diff(const Options& options) {
    if (const int bad = expect(options, 2, {}, true)) return bad;
    Input a;
    Input b;
    // A settings file takes the code page of the installer it is compared with.
    std::string reason;
    InstallerFacts probe;
    unsigned codePage = 1252;
    for (std::size_t i = 1; i <= 2; ++i) {
      if (readInstallerFacts(options.positional[i], probe, reason) == InstallerReadResult::kRead) {
        codePage = probe.codePage;
        break;
      }
    }
    if (const int bad = readInstallerOrSettings(options.positional[1], codePage, a)) return bad;
    if (const int bad = readInstallerOrSettings(options.positional[2], codePage, b)) return bad;
    const ReleaseRules rules(b.isInstaller ? &b.facts : a.isInstaller ? &a.facts : nullptr);

    struct Difference {
      const SettingEntry* a;
      const SettingEntry* b;
      const SettingEntry& any() const { return a != nullptr ? *a : *b; }
    };
    std::vector<Difference> differences;
    for (const SettingEntry& entry : a.entries) {
      const SettingEntry* other = findEntry(b.entries, entry.section, entry.key);
      if (other == nullptr || other->value != entry.value || other->hasLock != entry.hasLock ||
          other->lock != entry.lock)
        differences.push_back({&entry, other});
    }
    for (const SettingEntry& entry : b.entries) {
      if (findEntry(a.entries, entry.section, entry.key) == nullptr)
        differences.push_back({nullptr, &entry});
    }
    std::stable_sort(differences.begin(), differences.end(),
                     [&](const Difference& x, const Difference& y) {
                       return rules.order(x.any()) < rules.order(y.any());
                     });

    if (options.json) {
      JsonText json;
      json.open('[');
      for (const Difference& d : differences) {
        json.open('{');
        json.member("category").string(rules.category(d.any()));
        json.member("label").string(rules.label(d.any()));
        json.member("section").string(d.any().section);
        json.member("key").string(d.any().key);
        json.member("a");
        if (d.a != nullptr) {
          valueJson(json, *d.a);
        } else {
          json.null();
        }
        json.member("b");
        if (d.b != nullptr) {
          valueJson(json, *d.b);
        } else {
          json.null();
        }
        json.close('}');
      }
      json.close(']');
      out_ += json.text() + "\n";
    } else {
      if (!differences.empty())
        out_ += "category\tlabel\tsection\tkey\tvalue A\tlock A\tvalue B\tlock B\n";
      for (const Difference& d : differences) {
        out_ += rules.category(d.any()) + "\t" + rules.label(d.any()) + "\t" + d.any().section +
                "\t" + d.any().key + "\t" + sideText(d.a) + "\t" + sideText(d.b) + "\n";
      }
    }
    return differences.empty() ? exit_code::kSuccess : exit_code::kDifferent;
  }

  int migrate(const Options& options) {
    if (const int bad = expect(options, 2, {"output", "report"}, false)) return bad;
    const auto output = options.values.find("output");
    if (output == options.values.end()) return usage("migrate needs -o OUT");
    const auto report = options.values.find("report");
    ReportFormat format = ReportFormat::kNone;
    if (report != options.values.end()) {
      format = reportFormatOf(report->second);
      if (format == ReportFormat::kNone)
        return usage("--report takes a file ending in .csv or .html");
    }
    Input customised;
    Input fresh;
    if (const int bad = readInstaller(options.positional[1], customised)) return bad;
    if (const int bad = readInstaller(options.positional[2], fresh)) return bad;

    const ReleaseRules rules(&fresh.facts);
    const std::string& configuration = fresh.facts.configuration;
    const bool utf16 =
        configuration.size() >= 2 && configuration[0] == '\xFF' && configuration[1] == '\xFE';
    const Migration migration =
        planMigration(customised.entries, fresh.entries, rules, utf16 ? 0 : fresh.facts.codePage);

    SettingsGeneration job;
    job.installer = fresh.path;
    job.facts = &fresh.facts;
    job.settings = migration.carried;
    const std::string mode =
        customised.facts.hasModeSwitch ? installModeName(customised.facts.modeSwitch) : "";
    job.installMode = mode == "normal" ? 1 : mode == "silent" ? 2 : 0;
    if (customised.facts.hasQuickTime && fresh.facts.hasQuickTime) {
      job.withQuickTime = readInstallerQuickTime(customised.path, job.quickTime);
    } else if (customised.facts.hasQuickTime) {
      note(customised.path + ": its QuickTime preferences are dropped: " + fresh.path +
           " has none");
    }
    job.destination = output->second;
    if (const int bad = write(job, customised.path)) return bad;

    for (const MigrationLine& line : migration.lines) {
      if (line.outcome == MigrationOutcome::kDropped) {
        note(customised.path + ": " + settingName(line.entry()) + " dropped: " + fresh.path +
             " does not have it");
      } else if (line.outcome == MigrationOutcome::kRefused) {
        note(customised.path + ": " + settingName(line.entry()) + " = \"" + line.old->value +
             "\" refused: " + line.rule);
      }
    }
    if (report != options.values.end()) {
      const std::string text = migrationReport(migration, rules, format);
      std::string reason;
      if (!platform::writeWholeFile(report->second.c_str(), text.data(), text.size(), &reason))
        return fail(exit_code::kWriteFailure, report->second, writeReason(reason));
    }
    say(output->second + ": " + migrationSummary(migration) + "\n");
    return exit_code::kSuccess;
  }

 private:
  int write(const SettingsGeneration& job, const std::string& settingsFile) {
    std::string reason;
    switch (generateFromSettings(job, reason)) {
      case GenerationResult::kWritten:
        return exit_code::kSuccess;
      case GenerationResult::kRefused:
        return fail(exit_code::kInvalidSettings, settingsFile,
                    reason + ": the value cannot be written in that code page");
      case GenerationResult::kWriteFailed:
        break;
    }
    return fail(exit_code::kWriteFailure, job.destination, writeReason(reason));
  }

  static std::string writeReason(const std::string& reason) {
    return "cannot be written" + (reason.empty() ? std::string() : ": " + reason);
  }

  // Settings given as Name=value in a records section stand for the installer's record Name.
  static std::vector<SettingEntry> asRecords(std::vector<SettingEntry> settings,
                                             const std::vector<SettingEntry>& installer) {
    for (SettingEntry& entry : settings) {
      if (entry.record) continue;
      for (const SettingEntry& known : installer) {
        if (known.record && sameName(known.section, entry.section) &&
            sameName(known.key, entry.key)) {
          entry.key = known.key;
          entry.record = true;
          break;
        }
      }
    }
    return settings;
  }

  // The entries of `base` with those of `overrides` in their place, and the new ones after them.
  static std::vector<SettingEntry> withOverrides(std::vector<SettingEntry> base,
                                                 const std::vector<SettingEntry>& overrides) {
    for (const SettingEntry& entry : overrides) {
      bool replaced = false;
      for (SettingEntry& known : base) {
        if (known.record == entry.record && sameName(known.section, entry.section) &&
            (entry.record ? known.key == entry.key : sameName(known.key, entry.key))) {
          known = entry;
          replaced = true;
        }
      }
      if (!replaced) base.push_back(entry);
    }
    return base;
  }

  static void setEntry(std::vector<SettingEntry>& entries, const char* section, const char* key,
                       const std::string& value) {
    for (SettingEntry& entry : entries) {
      if (!entry.record && sameName(entry.section, section) && sameName(entry.key, key)) {
        entry.value = value;
        return;
      }
    }
    SettingEntry added;
    added.section = section;
    added.key = key;
    added.value = value;
    entries.push_back(std::move(added));
  }

  static std::vector<SettingEntry> sortedEntries(std::vector<SettingEntry> entries,
                                                 const ReleaseRules& rules) {
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const SettingEntry& x, const SettingEntry& y) {
                       return rules.order(x) < rules.order(y);
                     });
    return entries;
  }

  // Tabs and line ends would break the columns.
  static std::string printable(const std::string& value) {
    std::string text;
    for (const char c : value) text += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
    return text;
  }

  static std::string lockText(const SettingEntry& entry) {
    if (!entry.hasLock) return std::string();
    if (entry.lock == "1") return "locked";
    if (entry.lock == "0") return "unlocked";
    if (entry.lock == "2") return "not lockable";
    return entry.lock;
  }

  static std::string sideText(const SettingEntry* entry) {
    if (entry == nullptr) return "(absent)\t";
    return printable(entry->value) + "\t" + lockText(*entry);
  }

  static void valueJson(JsonText& json, const SettingEntry& entry) {
    json.open('{');
    json.member("value").string(entry.value);
    json.member("lock");
    entry.hasLock ? json.string(entry.lock) : json.null();
    json.close('}');
  }

  static void entryJson(JsonText& json, const SettingEntry& entry, const ReleaseRules& rules) {
    json.open('{');
    json.member("category").string(rules.category(entry));
    json.member("label").string(rules.label(entry));
    json.member("section").string(entry.section);
    json.member("key").string(entry.key);
    json.member("value").string(entry.value);
    json.member("lock");
    entry.hasLock ? json.string(entry.lock) : json.null();
    json.close('}');
  }

  std::string& out_;
  std::string& err_;
  bool quiet_ = false;
};

}  // namespace

int runCommandLine(const std::vector<std::string>& arguments, std::string& out, std::string& err) {
  Run run(out, err);
  Options options;
  if (const int bad = run.parse(arguments, options)) return bad;
  if (options.help) {
    out += kHelp;
    return exit_code::kSuccess;
  }
  if (options.version) {
    out += std::string(kProgram) + " " + kProgramVersion + "\n";
    return exit_code::kSuccess;
  }
  if (options.positional.empty()) return run.usage("no command given");
  const std::string& command = options.positional[0];
  if (command == "show") return run.show(options);
  if (command == "export") return run.exportConfiguration(options);
  if (command == "validate") return run.validate(options);
  if (command == "generate") return run.generate(options);
  if (command == "diff") return run.diff(options);
  if (command == "migrate") return run.migrate(options);
  return run.usage("unknown command \"" + command + "\"");
}

int runCommandLineProgram(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  std::string out;
  std::string err;
  int code = runCommandLine(arguments, out, err);
  const bool written =
      std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0;
  if (!written && code != exit_code::kUsage) {
    err += std::string(kProgram) + ": standard output cannot be written\n";
    code = exit_code::kWriteFailure;
  }
  std::fwrite(err.data(), 1, err.size(), stderr);
  std::fflush(stderr);
  return code;
}
