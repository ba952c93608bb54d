#include "app/configuration_update.h"

#include <cstdint>

#include "config/code_page.h"
#include "config/configuration_edit.h"
#include "platform/ansi_text.h"
#include "platform/file_io.h"
#include "resedit/installer_configuration.h"

unsigned installerConfigurationCodePage(const PathName& installer) {
  std::uint32_t entryCodePage = 0;
  std::uint16_t language = 0;
  readConfigurationEntry(installer, entryCodePage, language);
  return platform::configurationCodePage(declaredCodePage(entryCodePage, language));
}

int buildInstallerConfiguration(const PathName& workspace, const PathName& workingCopy,
                                std::string& bytes, std::string& refused) {
  refused.clear();
  const PathName site = workspace.join("cfadmin");
  std::string original;
  std::string result;
  std::string unedited;
  if (!platform::readWholeFile(workspace.join("kxenterprise.ini").text(), original) ||
      !platform::readWholeFile(site.join("kxenterprise.ini").text(), result))
    return 0;
  ConfigurationEditInput input;
  input.original = original;
  input.codePage = installerConfigurationCodePage(workingCopy);
  input.result = result;
  input.hasUnedited =
      platform::readWholeFile(site.join(kUneditedConfigurationName).text(), unedited) != 0;
  input.unedited = unedited;
  input.editorCodePage = platform::editorTextCodePage();
  ConfigurationEditOutcome outcome;
  if (!applyEditorResult(input, outcome)) {
    refused = "Setting \"" + outcome.refused + "\", code page " + std::to_string(input.codePage);
    return 0;
  }
  bytes = std::move(outcome.text);
  return 1;
}
