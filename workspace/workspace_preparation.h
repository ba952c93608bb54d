#pragma once

#include <string>

#include "platform/process_environment.h"
#include "workspace/folder_object.h"
#include "workspace/resource_source.h"

// The base name of the Workspace folder; every candidate name has its length.
inline constexpr char kWorkspaceBaseName[] = "~kxent";

// The preparation thread's work: gives `workspace` the first free name below the temporary base
// (~kxent, ~kxen0..9, ~kxe10..99, ~kx100..998), creates the folder, writes the program's "ARCHIVE"
// resource into it as cfadmin.zip and unpacks that there. `module` is the program's module, whose
// folder is a candidate for the temporary base. When no name could be used the Workspace path is
// left empty, so that its exists gives 0. Always 0. When the folder was made but the editor could
// not be written into it whole, `failure` (when given) names the file and the system's reason;
// otherwise it is left empty.
int prepareWorkspace(FolderObject& workspace, ResourceSource& resources,
                     platform::ModuleHandle module, std::string* failure = nullptr);

// The two halves of prepareWorkspace, for a caller that shows a window between them: the first
// names and creates the folder (1 when made; otherwise the path is left empty), the second writes
// and unpacks the editor into the made folder and says in `failure` what could not be written.
int createWorkspaceFolder(FolderObject& workspace, platform::ModuleHandle module);
void writeEditorToWorkspace(const FolderObject& workspace, ResourceSource& resources,
                            std::string* failure);

// Writes the bytes of the resource of type `type` and name `name` to Workspace/fileName, replacing
// an existing file. 1 only when the resource exists, is not empty and was written completely;
// otherwise `failure`, when given, says why, naming the file.
int extractResourceToWorkspace(const FolderObject& workspace, ResourceSource& resources,
                               const char* type, const char* name, const char* fileName,
                               std::string* failure = nullptr);
