#include "app/cli/installer_facts.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "app/configuration_update.h"
#include "base/path_name.h"
#include "platform/ansi_text.h"
#include "resedit/pe/pe_layout.h"
#include "resedit/pe/pe_resource_file.h"
#include "resedit/resource_name.h"
#include "resedit/string_table_block.h"

namespace {

constexpr std::uint16_t kInstallModeString = 300;

int readResource(pe::PeResourceFile& file, const char* type, const char* name,
                 std::vector<std::uint8_t>& bytes) {
  pe::ResourceId typeId;
  pe::ResourceId nameId;
  if (!resourceIdFromText(type, typeId) || !resourceIdFromText(name, nameId)) return 0;
  const std::vector<std::uint16_t> languages = file.languages(typeId, nameId);
  return !languages.empty() && file.readData(typeId, nameId, languages.front(), bytes);
}

std::uint32_t little32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// The product version of the fixed part of a version resource, found by its signature.
bool productVersionOf(const std::vector<std::uint8_t>& resource,
                      std::array<std::uint16_t, 4>& version) {
  constexpr std::uint32_t kSignature = 0xFEEF04BD;
  for (std::size_t at = 0; at + 52 <= resource.size(); at += 4) {
    if (little32(resource, at) != kSignature) continue;
    const std::uint32_t high = little32(resource, at + 16);
    const std::uint32_t low = little32(resource, at + 20);
    version = {static_cast<std::uint16_t>(high >> 16), static_cast<std::uint16_t>(high),
               static_cast<std::uint16_t>(low >> 16), static_cast<std::uint16_t>(low)};
    return true;
  }
  return false;
}

}  // namespace

InstallerReadResult readInstallerFacts(const std::string& path, InstallerFacts& facts,
                                       std::string& reason) {
  facts = InstallerFacts();
  reason.clear();
  std::error_code error;
  if (!std::filesystem::is_regular_file(std::filesystem::path(path), error)) {
    reason = "is not a file";
    return InstallerReadResult::kUnreadable;
  }
  if (!std::ifstream(path, std::ios::binary).is_open()) {
    reason = "cannot be opened for reading";
    return InstallerReadResult::kUnreadable;
  }
  pe::PeResourceFile file;
  if (!file.open(path) || !file.isExecutableImage()) {
    reason = "is not a Windows executable";
    return InstallerReadResult::kNotExecutable;
  }
  std::vector<std::uint8_t> bytes;
  if (!readResource(file, "Binary", "KXECONFIG", bytes) || bytes.empty()) {
    reason = "carries no installer configuration (resource KXECONFIG)";
    return InstallerReadResult::kNoConfiguration;
  }
  facts.configuration.assign(bytes.begin(), bytes.end());
  facts.codePage = installerConfigurationCodePage(PathName(path.c_str()));

  char block[8];
  std::snprintf(block, sizeof block, "#%u",
                static_cast<unsigned>(stringBlockNumber(kInstallModeString)));
  if (readResource(file, "#6", block, bytes)) {
    std::vector<std::uint8_t> probe = bytes;
    facts.canSetModeSwitch = setBlockEntry(probe, kInstallModeString, u" /p");
    StringTableBlock block;
    block.loadFromResource(bytes.data(), bytes.size());
    const auto& entry = block.entry(stringBlockIndex(kInstallModeString));
    if (entry.has_value()) {
      facts.hasModeSwitch = platform::utf16ToCodePage(65001, *entry, facts.modeSwitch, '?') != 0;
    }
  }
  if (readResource(file, "BINARY", "QTPREF", bytes)) {
    facts.hasQuickTime = true;
    facts.quickTimeSize = bytes.size();
  }
  const pe::DataDirectory certificates = file.layout().directory(pe::kSecurityDirectory);
  facts.isSigned = certificates.virtualAddress != 0 && certificates.size != 0;
  if (readResource(file, "#16", "#1", bytes)) {
    facts.hasVersion = productVersionOf(bytes, facts.productVersion);
  }
  return InstallerReadResult::kRead;
}

bool readInstallerQuickTime(const std::string& path, std::string& bytes) {
  pe::PeResourceFile file;
  std::vector<std::uint8_t> data;
  if (!file.open(path) || !readResource(file, "BINARY", "QTPREF", data)) return false;
  bytes.assign(data.begin(), data.end());
  return true;
}

std::string installModeName(const std::string& modeSwitch) {
  if (modeSwitch == " /p") return "normal";
  if (modeSwitch == " /s") return "silent";
  return std::string();
}

std::string versionText(const std::array<std::uint16_t, 4>& version) {
  return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
         std::to_string(version[2]) + "." + std::to_string(version[3]);
}
