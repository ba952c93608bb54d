#include "app/application.h"

#include <memory>
#include <new>
#include <string>

#include "app/installer_import.h"
#include "app/message_table.h"
#include "app/player_generation.h"
#include "app/save_destination.h"
#include "base/path_name.h"
#include "platform/worker_thread.h"
#include "workspace/folder_object.h"
#include "workspace/workspace_preparation.h"

int runApplication(Shell& shell, ResourceSource& programResources, platform::ModuleHandle module) {
  std::unique_ptr<FolderObject> workspace(new (std::nothrow) FolderObject);
  if (!workspace) return -1;

  // A program told to end (a signal, the session ending) takes its Workspace with it. Until the
  // preparation has finished the request waits, since only the main thread acts on it.
  struct TerminationWatch {
    Shell& shell;
    ~TerminationWatch() { shell.watchTermination(nullptr); }
  } watch{shell};
  shell.watchTermination([&workspace] { workspace->removeTree(1); });

  shell.showSplash();
  std::string unpacking;
  {
    // The main thread blocks without pumping messages; the splash stays as painted.
    platform::WorkerThread preparation(
        [&] { prepareWorkspace(*workspace, programResources, module, &unpacking); });
    preparation.wait();
  }
  shell.closeSplash();

  // No unique folder could be made: nothing was created, so nothing is deleted.
  if (!workspace->exists()) return 0;

  // Without its whole editor the run could not show or save the configuration: the user learns
  // why before choosing an installer.
  if (!unpacking.empty()) {
    shell.showMessage(message_id::kEditorNotWritten, 1, unpacking);
    workspace->removeTree(1);
    return 0;
  }

  InstallerImport import(shell, workspace->path());
  if (shell.runInstallerDialog(import) == Shell::kIdOk) {
    const PathName page = PathName(workspace->path()).join("cfadmin").join("index.html");
    if (!isExistingFile(page)) {
      shell.showMessage(message_id::kEditorNotWritten, 1, std::string(page.text()) + ": not found");
    } else {
      std::unique_ptr<BrowserHost> host = shell.createBrowserHost();
      if (host) host->setInstallerName(splitPath(import.installerPath().c_str()).name.c_str());
      // A Workspace path or page address longer than the host keeps would be cut; end the run.
      if (host && host->createHostWindow() && host->setWorkspacePath(workspace->path().text()) &&
          host->setPageUrl(page.toFileUrl().text())) {
        BrowserHost& live = *host;
        QuickTimeConsent consent;
        live.setCloseQuestion([&shell] { return shell.askYesNo(message_id::kDiscardEdits, ""); });
        live.setGenerateHandler([&shell, &live, &consent, &import] {
          live.generationEnded(
              generatePlayer(shell, live.workspacePath(), consent, import.installerPath().c_str()));
        });
        live.showAndNavigate();
        live.runMessageLoop();
      }
    }
  }

  workspace->removeTree(1);
  return 0;
}
