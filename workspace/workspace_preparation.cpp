#include "workspace/workspace_preparation.h"

#include <cstring>
#include <vector>

#include "base/path_name.h"
#include "base/shared_string.h"
#include "platform/output_file.h"
#include "platform/path_rules.h"
#include "workspace/archive_unpacker.h"

namespace {

constexpr int kNameAttempts = 1000;

// Writes the decimal digits of `attempt` over the tail of the six-character name.
void numberName(char* name, int attempt) {
  SharedString digits;
  formatString(digits, "%d", attempt);
  const std::size_t length = std::strlen(name);
  std::memcpy(name + length - digits.length(), digits.text(),
              static_cast<std::size_t>(digits.length()));
}

}  // namespace

int createWorkspaceFolder(FolderObject& workspace, platform::ModuleHandle module) {
  char name[sizeof kWorkspaceBaseName];
  std::memcpy(name, kWorkspaceBaseName, sizeof name);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    workspace.setTempPath(module, name);
    // An empty leftover of an earlier run is removed and made anew; one with contents is left
    // alone. Creation alone decides: a name that exists by then, whoever made it, is passed over.
    workspace.removeTree(0);
    if (workspace.createNewFolder() == 1) return 1;
    numberName(name, attempt);
  }
  // Nothing found on disk may be used, or deleted at exit.
  workspace.setPath("");
  return 0;
}

void writeEditorToWorkspace(const FolderObject& workspace, ResourceSource& resources,
                            std::string* failure) {
  std::string why;
  extractResourceToWorkspace(workspace, resources, "Binary", "ARCHIVE", "cfadmin.zip", &why);
  const PathName archive = PathName(workspace.path()).join("cfadmin.zip");
  if (isExistingFile(archive) == 1) {
    std::string unpacking;
    unpackArchive(archive.asString().text(), workspace.path().text(), &unpacking);
    if (why.empty()) why = unpacking;
  }
  if (failure != nullptr) *failure = why;
}

int prepareWorkspace(FolderObject& workspace, ResourceSource& resources,
                     platform::ModuleHandle module, std::string* failure) {
  if (failure != nullptr) failure->clear();
  if (createWorkspaceFolder(workspace, module) == 1) {
    writeEditorToWorkspace(workspace, resources, failure);
  }
  return 0;
}

int extractResourceToWorkspace(const FolderObject& workspace, ResourceSource& resources,
                               const char* type, const char* name, const char* fileName,
                               std::string* failure) {
  SharedString target;
  formatString(target, "%s%c%s", workspace.path().text(), platform::pathSeparator(), fileName);
  const auto failed = [&](const std::string& why) {
    if (failure != nullptr) *failure = why;
    return 0;
  };
  std::vector<unsigned char> bytes;
  if (resources.loadResource(type, name, bytes) == 0 || bytes.empty()) {
    return failed(std::string(target.text()) + ": the program carries no resource " + name +
                  " to write there");
  }
  platform::OutputFile file;
  if (file.create(target.text()) == 0) return failed(file.failure());
  std::size_t written = 0;
  if (file.write(bytes.data(), bytes.size(), written) == 1 && written == bytes.size()) return 1;
  return failed(file.failure());
}
