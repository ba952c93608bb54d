#include "app/installer_generation.h"

#include <cstdint>

#include "base/shared_string.h"
#include "platform/file_io.h"
#include "resedit/language_match.h"
#include "resedit/resource_edit_set.h"

namespace {

// Text 300 of the installer: the switch its setup program is started with.
constexpr int kInstallModeString = 300;

// Writes the edits into the working copy, or from it into the destination, all in one rewrite: an
// installer without the edits is never handed out as a success.
int applyEdits(const GenerationRequest& request, GenerationFailure& failure) {
  ResourceEditSet edits{PathName(request.workingCopy.c_str())};

  // An installer without a "QTPREF" resource gains none.
  if (request.quickTime != nullptr && request.quickTime->wanted) {
    const std::string& bytes = request.quickTime->bytes;
    edits.replaceResource(reinterpret_cast<const unsigned char*>(bytes.data()),
                          static_cast<std::uint32_t>(bytes.size()), SharedString("QTPREF"),
                          SharedString("BINARY"), AnyLanguage, 0);
  }

  // An installer without the string block keeps none; other modes leave the switch as it is.
  if (const char* modeSwitch = installModeSwitch(request.installMode)) {
    edits.replaceStringTableEntry(kInstallModeString, SharedString(modeSwitch), AnyLanguage, 0);
  }

  ConfigurationEditOutcome outcome;
  if (!applyEditorResult(request.configuration, outcome)) {
    failure.refused = "Setting \"" + outcome.refused + "\", code page " +
                      std::to_string(request.configuration.codePage);
    return 0;
  }
  if (!edits.replaceResource(reinterpret_cast<const unsigned char*>(outcome.text.data()),
                             static_cast<std::uint32_t>(outcome.text.size()),
                             SharedString("KXECONFIG"), SharedString("BINARY"), AnyLanguage, 0)) {
    failure.reason = edits.reason();
    if (failure.reason.empty()) failure.reason = "the installer's configuration cannot be read";
    return 0;
  }
  if (!(request.editWorkingCopy ? edits.commit(0) : edits.commitTo(request.destination)))
    return failure.reason = edits.reason(), 0;
  return 1;
}

}  // namespace

const char* installModeSwitch(int installMode) {
  return installMode == 1 ? " /p" : installMode == 2 ? " /s" : nullptr;
}

int generateInstaller(const GenerationRequest& request, GenerationFailure& failure) {
  failure = GenerationFailure();
  if (!applyEdits(request, failure)) return 0;
  if (!request.editWorkingCopy) return 1;
  if (platform::copyFile(request.workingCopy.c_str(), request.destination.c_str(), &failure.reason))
    return 1;
  failure.copying = true;
  return 0;
}
