// Puts one real file through the program's own resource code: `seed` gives a file the resources an
// installer carries (as its maker would), `generate` runs player generation on a Workspace as the
// workflow does. Each prints the placement the rewrite took, so that the suite can count them.
//
//   realfile_driver seed FILE CONFIG QTPREF LANGUAGE
//   realfile_driver generate WORKSPACE DESTINATION
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/player_generation.h"
#include "app/shell.h"
#include "base/path_name.h"
#include "config/ini_file.h"
#include "platform/file_io.h"
#include "resedit/pe/resource_update_batch.h"
#include "resedit/string_table_block.h"

namespace {

constexpr std::uint16_t kStringTable = 6;
constexpr std::uint16_t kModeBlock = 300 / 16 + 1;

const char* placementName(pe::Placement placement) {
  switch (placement) {
    case pe::Placement::kInPlace:
      return "in place";
    case pe::Placement::kGrow:
      return "grown";
    case pe::Placement::kAppend:
      return "appended";
    case pe::Placement::kRefused:
      break;
  }
  return "refused";
}

std::vector<std::uint8_t> fileBytes(const char* path) {
  std::string text;
  if (!platform::readWholeFile(path, text)) return {};
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

pe::ResourceId named(const char* text) {
  std::u16string name;
  for (const char* c = text; *c != 0; ++c) name.push_back(static_cast<char16_t>(*c));
  return pe::ResourceId::text(name);
}

// Block 19 as an installer's maker leaves it: string 288 holds the product name and string 300
// the switch that generation replaces.
std::vector<std::uint8_t> modeBlock() {
  std::vector<std::u16string> entries(16);
  entries[0] = u"Kestrix";
  entries[12] = u" /s";
  std::vector<std::uint8_t> bytes;
  for (const std::u16string& entry : entries) {
    bytes.push_back(static_cast<std::uint8_t>(entry.size()));
    bytes.push_back(static_cast<std::uint8_t>(entry.size() >> 8));
    for (char16_t unit : entry) {
      bytes.push_back(static_cast<std::uint8_t>(unit));
      bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
  }
  return bytes;
}

void report(pe::ResourceUpdateBatch& batch) {
  std::printf("placement: %s\n", placementName(batch.plannedPlacement()));
  const std::string reason = batch.reason();
  if (!reason.empty()) std::printf("reason: %s\n", reason.c_str());
  std::fflush(stdout);
}

int seed(const char* file, const char* config, const char* qtpref, const char* languageText) {
  const auto language = static_cast<std::uint16_t>(std::strtoul(languageText, nullptr, 0));
  pe::ResourceUpdateBatch batch;
  if (!batch.begin(file)) {
    std::printf("placement: refused\nreason: the file cannot be read as a PE image\n");
    return 3;
  }
  const pe::ResourceId binary = named("BINARY");
  int ok = batch.update(binary, named("KXECONFIG"), language, fileBytes(config)) &&
           batch.update(binary, named("QTPREF"), language, fileBytes(qtpref)) &&
           batch.update(pe::ResourceId::integer(kStringTable), pe::ResourceId::integer(kModeBlock),
                        language, modeBlock());
  report(batch);
  ok = batch.end(!ok) && ok;
  std::printf("written: %d\n", ok);
  return ok ? 0 : 3;
}

// The Save chooser answers with the destination; the message shown is the outcome.
class DriverShell : public Shell {
 public:
  explicit DriverShell(std::string destination) : destination_(std::move(destination)) {}
  int message = 0;
  int failure = 0;

  void showSplash() override {}
  void closeSplash() override {}
  int runInstallerDialog(InstallerDialogModel&) override { return kIdCancel; }
  SharedString chooseSaveFile(const PathParts&) override {
    return SharedString(destination_.c_str());
  }
  void showMessage(int messageId, int isFailure, const std::string& why) override {
    message = messageId;
    failure = isFailure;
    reason = why;
  }
  // The driver stands for an administrator who confirms the QuickTime file it was given.
  int askYesNo(int, const char*) override { return 1; }
  std::unique_ptr<BrowserHost> createBrowserHost() override { return nullptr; }
  void watchTermination(std::function<void()>) override {}

  std::string reason;

 private:
  std::string destination_;
};

// What generation is about to write, planned on a batch of its own so that the placement can be
// told: the same three updates, settled the same way (first language, the block's other strings).
void planGeneration(const std::string& workingCopy, const std::string& configuration) {
  IniFile ini;
  pe::PeResourceFile lookup;
  pe::ResourceUpdateBatch batch;
  if (!ini.load(PathName(configuration.c_str())) || !lookup.open(workingCopy) ||
      !batch.begin(workingCopy))
    return;
  const pe::ResourceId binary = named("BINARY");
  for (const char* name : {"KXECONFIG", "QTPREF"}) {
    const std::vector<std::uint16_t> languages = lookup.languages(binary, named(name));
    if (languages.empty()) continue;
    std::string source = configuration;
    if (std::strcmp(name, "QTPREF") == 0) {
      if (ini.readInt("qt_preferences", "ApplyQTPrefs", 0) == 0) continue;
      source = ini.readString("qt_preferences", "QuickTimeLocation", "").text();
    }
    batch.update(binary, named(name), languages.front(), fileBytes(source.c_str()));
  }
  const int mode = ini.readInt("setup", "installmode", 1);
  const pe::ResourceId strings = pe::ResourceId::integer(kStringTable);
  const pe::ResourceId block = pe::ResourceId::integer(kModeBlock);
  const std::vector<std::uint16_t> languages = lookup.languages(strings, block);
  std::vector<std::uint8_t> data;
  if ((mode == 1 || mode == 2) && !languages.empty() &&
      lookup.readData(strings, block, languages.front(), data) &&
      setBlockEntry(data, 300, mode == 1 ? u" /p" : u" /s")) {
    batch.update(strings, block, languages.front(), data);
  }
  report(batch);
  batch.end(true);
}

int generate(const char* workspace, const char* destination) {
  const std::string workingCopy = std::string(workspace) + "/playinst.exe";
  planGeneration(workingCopy, std::string(workspace) + "/cfadmin/kxenterprise.ini");
  DriverShell shell(destination);
  generatePlayer(shell, workspace);
  std::printf("message: %s %d\n", shell.failure ? "error" : "success", shell.message);
  if (!shell.reason.empty()) std::printf("message reason: %s\n", shell.reason.c_str());
  return shell.failure ? 3 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "seed") == 0)
    return seed(argv[2], argv[3], argv[4], argv[5]);
  if (argc == 4 && std::strcmp(argv[1], "generate") == 0) return generate(argv[2], argv[3]);
  std::fprintf(stderr,
               "usage: realfile_driver seed FILE CONFIG QTPREF LANGUAGE\n"
               "       realfile_driver generate WORKSPACE DESTINATION\n");
  return 2;
}
