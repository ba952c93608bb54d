// The engine and the installer updates on installers built by the real toolchain, judged by
// readers that share no code with ours (pefile, wrestool, objdump) and by the Windows loader
// itself (wine64 runs the edited 64-bit installer).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/path_name.h"
#include "base/shared_string.h"
#include "resedit/installer_configuration.h"
#include "resedit/pe/byte_order.h"
#include "resedit/pe/pe_checksum.h"
#include "resedit/pe/pe_resource_file.h"
#include "resedit/pe/resource_update_batch.h"
#include "resedit/resource_updates.h"
#include "synthetic_image.h"

#ifdef KX_RESEDIT_FIXTURE_DIR

namespace {

const char* const kWine = "/usr/lib/wine/wine64";

std::string fixture(const std::string& name) {
  return std::string(KX_RESEDIT_FIXTURE_DIR) + "/" + name;
}

std::string shellQuoted(const std::string& text) { return "'" + text + "'"; }

int run(const std::string& command, const std::string& outputFile, std::string& output) {
  int status = std::system((command + " >" + shellQuoted(outputFile) + " 2>&1").c_str());
  std::ifstream in(outputFile);
  std::stringstream text;
  text << in.rdbuf();
  output = text.str();
  // Console output from Windows programs ends its lines with CR LF.
  std::erase(output, '\r');
  return status;
}

struct Judgement {
  std::vector<std::string> arguments;
  void set(const std::string& type, const std::string& name, int language,
           const std::string& dataFile) {
    arguments.insert(arguments.end(), {"--set", type, name, std::to_string(language), dataFile});
  }
  void string(int id, const std::string& text) {
    arguments.insert(arguments.end(), {"--string", std::to_string(id), text});
  }
  void placement(const std::string& where) {
    arguments.insert(arguments.end(), {"--placement", where});
  }
};

class InstallerFixture : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(fixture("payload_" + GetParam() + ".exe")))
      GTEST_SKIP() << "fixtures not built";
  }

  std::string arch() const { return GetParam(); }
  std::string objdump() const { return arch() + "-w64-mingw32-objdump"; }

  // A working copy of a fixture, as generation edits one.
  std::string copyOf(const std::string& name) {
    std::string path = folder.file(name + ".exe");
    std::filesystem::copy_file(fixture(name + "_" + arch() + ".exe"), path);
    return path;
  }

  std::string dataFile(const std::string& name, const std::string& content) {
    std::string path = folder.file(name);
    writeFileBytes(path, bytesOf(content));
    return path;
  }

  void expectJudged(const std::string& original, const std::string& edited,
                    const Judgement& judgement) {
    std::string command = "/usr/bin/python3 " + shellQuoted(KX_RESEDIT_JUDGE) + " " +
                          shellQuoted(original) + " " + shellQuoted(edited) + " --objdump " +
                          objdump();
    for (const std::string& argument : judgement.arguments) command += " " + shellQuoted(argument);
    std::string output;
    EXPECT_EQ(run(command, folder.file("judge.txt"), output), 0) << output;
  }

  // Runs the edited installer under the Windows loader, through the suite's wine wrapper and its
  // shared prefix; only 64-bit code runs on our machines.
  void expectRunsWith(const std::string& edited, const std::vector<std::string>& lines) {
    if (arch() != "x86_64" || !std::filesystem::exists(kWine)) return;
    std::string output;
    int status = run(shellQuoted(KX_RESEDIT_WINE_RUN) + " " + shellQuoted(edited),
                     folder.file("wine.txt"), output);
    EXPECT_EQ(status, 0) << output;
    for (const std::string& line : lines)
      EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;
  }

  void generate(const std::string& installer, const std::string& configuration, const char* mode) {
    replaceResource(PathName(installer.c_str()),
                    reinterpret_cast<const unsigned char*>(configuration.data()),
                    static_cast<std::uint32_t>(configuration.size()), SharedString("KXECONFIG"),
                    SharedString("BINARY"), AnyLanguage, 0, 0);
    replaceStringTableEntry(PathName(installer.c_str()), 300, SharedString(mode), AnyLanguage, 0,
                            0);
  }

  ScratchFolder folder;
};

TEST_P(InstallerFixture, SmallEditsStayInPlaceAndTheInstallerRuns) {
  std::string installer = copyOf("payload");
  std::string configuration = "[setup]\r\ninstallmode=1\r\n";
  generate(installer, configuration, " /p");
  Judgement judgement;
  judgement.set("BINARY", "KXECONFIG", 1033, dataFile("config.ini", configuration));
  judgement.string(300, " /p");
  judgement.placement("inplace");
  expectJudged(fixture("payload_" + arch() + ".exe"), installer, judgement);
  expectRunsWith(installer, {"config: [setup]", "string300: [ /p]", "payload: ok 1048576"});
}

TEST_P(InstallerFixture, ALargerTreeGrowsOverRelocationsAndDebugSections) {
  // Unstripped: .reloc, DWARF sections and the COFF symbol table all lie behind the resources.
  std::string installer = copyOf("plain");
  std::string configuration = "[kx_preferences]\n" + std::string(12000, 'g') + "\n";
  generate(installer, configuration, " /s");
  Judgement judgement;
  judgement.set("BINARY", "KXECONFIG", 1033, dataFile("config.ini", configuration));
  judgement.string(300, " /s");
  judgement.placement("grow");
  expectJudged(fixture("plain_" + arch() + ".exe"), installer, judgement);
  expectRunsWith(installer,
                 {"config: [kx_preferences]\n" + std::string(100, 'g'), "string300: [ /s]"});
}

TEST_P(InstallerFixture, ALargerTreeGrowsAndThePayloadMovesIntact) {
  std::string installer = copyOf("payload");
  std::string configuration = std::string(30000, 'p');
  generate(installer, configuration, " /p");
  Judgement judgement;
  judgement.set("BINARY", "KXECONFIG", 1033, dataFile("config.ini", configuration));
  judgement.string(300, " /p");
  judgement.placement("grow");
  expectJudged(fixture("payload_" + arch() + ".exe"), installer, judgement);
  expectRunsWith(installer, {"string300: [ /p]", "payload: ok 1048576"});
}

TEST_P(InstallerFixture, ALoadedSectionBehindTheResourcesGetsANewSection) {
  std::string installer = copyOf("after");
  std::string configuration = std::string(30000, 'a');
  generate(installer, configuration, " /p");
  Judgement judgement;
  judgement.set("BINARY", "KXECONFIG", 1033, dataFile("config.ini", configuration));
  judgement.string(300, " /p");
  judgement.placement("append");
  expectJudged(fixture("after_" + arch() + ".exe"), installer, judgement);
  expectRunsWith(installer, {"string300: [ /p]", "payload: ok 65536"});
}

// Every placement writes the checksum the written bytes give, even when the installer's stored one
// was wrong: the new one is never carried over from the old.
TEST_P(InstallerFixture, EveryPlacementWritesTheChecksumItsBytesGive) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"plain", 40}, {"payload", 40}, {"payload", 30000}, {"after", 30000}};
  for (const auto& [name, configSize] : cases) {
    std::string path = folder.file(std::string(name) + std::to_string(configSize) + ".exe");
    std::filesystem::copy_file(fixture(std::string(name) + "_" + arch() + ".exe"), path);
    std::vector<std::uint8_t> bytes = readFileBytes(path);
    pe::PeResourceFile file;
    ASSERT_TRUE(file.open(path));
    const std::uint64_t field = file.layout().checkSumOffset();
    pe::putU32(&bytes[field], 0x1234567);
    writeFileBytes(path, bytes);
    pe::ResourceUpdateBatch batch;
    ASSERT_TRUE(batch.begin(path));
    batch.update(named("BINARY"), named("KXECONFIG"), 1033,
                 std::vector<std::uint8_t>(configSize, 'c'));
    ASSERT_TRUE(batch.end(false)) << name << ": " << batch.reason();
    bytes = readFileBytes(path);
    std::uint32_t stored = 0;
    pe::readU32(bytes, field, stored);
    pe::putU32(&bytes[field], 0);
    pe::PeChecksum sum;
    sum.add(bytes.data(), bytes.size());
    EXPECT_EQ(stored, sum.finish(bytes.size())) << name << " with " << configSize << " bytes";
  }
}

TEST_P(InstallerFixture, ASignedInstallerLosesItsSignatureAndKeepsItsPayload) {
  if (!std::filesystem::exists(fixture("signed_" + arch() + ".exe")))
    GTEST_SKIP() << "no signing tools";
  std::string installer = copyOf("signed");
  std::string configuration = "[setup]\ninstallmode=2\n";
  generate(installer, configuration, " /s");
  Judgement judgement;
  judgement.set("BINARY", "KXECONFIG", 1033, dataFile("config.ini", configuration));
  judgement.string(300, " /s");
  expectJudged(fixture("signed_" + arch() + ".exe"), installer, judgement);
  expectRunsWith(installer,
                 {"config: [setup]\ninstallmode=2", "string300: [ /s]", "payload: ok 1048576"});
}

TEST_P(InstallerFixture, AnyLanguageKeepsTheLanguageTheInstallerHas) {
  std::string installer = copyOf("payload");
  // DUAL exists in 1031 and 1033; the directory lists 1031 first, so only that one changes.
  replaceResource(PathName(installer.c_str()), reinterpret_cast<const unsigned char*>("neu"), 3,
                  SharedString("dual"), SharedString("binary"), AnyLanguage, 0, 0);
  // QTPREF must exist; a resource that does not is never added.
  replaceResource(PathName(installer.c_str()), reinterpret_cast<const unsigned char*>("q"), 1,
                  SharedString("QTPREF"), SharedString("BINARY"), AnyLanguage, 0, 0);
  replaceResource(PathName(installer.c_str()), reinterpret_cast<const unsigned char*>("x"), 1,
                  SharedString("ABSENT"), SharedString("BINARY"), AnyLanguage, 0, 0);
  Judgement judgement;
  judgement.set("BINARY", "DUAL", 1031, dataFile("dual.bin", "neu"));
  judgement.set("BINARY", "QTPREF", 1033, dataFile("qtpref.bin", "q"));
  expectJudged(fixture("payload_" + arch() + ".exe"), installer, judgement);
}

TEST_P(InstallerFixture, TheInstallerCheckExtractsTheConfigurationOfARealInstallerOnly) {
  std::string ini = folder.file("kxenterprise.ini");
  EXPECT_TRUE(importInstallerConfiguration(PathName(fixture("signed_" + arch() + ".exe").c_str()),
                                           PathName(ini.c_str())));
  std::vector<std::uint8_t> expected =
      readFileBytes(std::string(KX_RESEDIT_FIXTURE_SOURCE) + "/config.ini");
  EXPECT_EQ(readFileBytes(ini), expected);
  std::filesystem::remove(ini);
  // An ordinary program without the configuration, an object file and a text file are refused.
  for (const std::string& refused :
       {fixture("bare_" + arch() + ".exe"), fixture("installer_" + arch() + ".res"),
        std::string(KX_RESEDIT_FIXTURE_SOURCE) + "/config.ini"}) {
    EXPECT_FALSE(importInstallerConfiguration(PathName(refused.c_str()), PathName(ini.c_str())))
        << refused;
    EXPECT_FALSE(std::filesystem::exists(ini)) << refused;
  }
}

INSTANTIATE_TEST_SUITE_P(Toolchains, InstallerFixture, ::testing::Values("i686", "x86_64"));

}  // namespace

#endif
