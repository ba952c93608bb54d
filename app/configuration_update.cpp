#include "app/configuration_update.h"

#include <cstdint>

#include "config/code_page.h"
#include "platform/ansi_text.h"
#include "platform/file_io.h"
#include "resedit/installer_configuration.h"

unsigned installerConfigurationCodePage(const PathName& installer) {
  std::uint32_t entryCodePage = 0;
  std::uint16_t language = 0;
  readConfigurationEntry(installer, entryCodePage, language);
  return platform::configurationCodePage(declaredCodePage(entryCodePage, language));
}

int EditorConfiguration::load(const PathName& workspace, const PathName& workingCopy) {
  const PathName site = workspace.join("cfadmin");
  if (!platform::readWholeFile(workspace.join("kxenterprise.ini").text(), original_) ||
      !platform::readWholeFile(site.join("kxenterprise.ini").text(), result_))
    return 0;
  input_ = ConfigurationEditInput();
  input_.original = original_;
  input_.codePage = installerConfigurationCodePage(workingCopy);
  input_.result = result_;
  input_.hasUnedited =
      platform::readWholeFile(site.join(kUneditedConfigurationName).text(), unedited_) != 0;
  input_.unedited = unedited_;
  input_.editorCodePage = platform::editorTextCodePage();
  return 1;
}
