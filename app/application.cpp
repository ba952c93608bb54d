#include "app/application.h"

#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "app/installer_import.h"
#include "app/message_table.h"
#include "app/player_generation.h"
#include "app/save_destination.h"
#include "base/path_name.h"
#include "platform/worker_thread.h"
#include "workspace/folder_object.h"
#include "workspace/workspace_preparation.h"

namespace {

// Dialog 137 during start-up: it appears while the editor is still being written into the
// Workspace; the browser engine starts behind it, and Next waits until the editor is whole.
class StartupDialog final : public InstallerDialogModel {
 public:
  StartupDialog(std::function<int()> shownTask, std::function<int()> editorReady,
                InstallerImport& import)
      : shownTask_(std::move(shownTask)), editorReady_(std::move(editorReady)), import_(import) {}
  int shown() override { return shownTask_(); }
  int next(const char* pathText) override { return editorReady_() ? import_.next(pathText) : 0; }

 private:
  std::function<int()> shownTask_;
  std::function<int()> editorReady_;
  InstallerImport& import_;
};

}  // namespace

int runApplication(Shell& shell, ResourceSource& programResources, platform::ModuleHandle module) {
  std::unique_ptr<FolderObject> workspace(new (std::nothrow) FolderObject);
  if (!workspace) return -1;

  // Written by the worker that writes the editor; read only once it has ended.
  std::string unpacking;
  std::optional<platform::WorkerThread> editorWriting;
  // A program told to end (a signal, the session ending) takes its Workspace with it, once the
  // worker is done with it; the request is acted on by the main thread only.
  struct TerminationWatch {
    Shell& shell;
    ~TerminationWatch() { shell.watchTermination(nullptr); }
  } watch{shell};
  shell.watchTermination([&] {
    if (editorWriting) editorWriting->wait();
    workspace->removeTree(1);
  });

  shell.showSplash();
  int splashOpen = 1;
  const auto closeSplash = [&] {
    if (splashOpen) shell.closeSplash();
    splashOpen = 0;
  };
  {
    // The main thread blocks without pumping messages; the splash stays as painted.
    platform::WorkerThread naming([&] { createWorkspaceFolder(*workspace, module); });
  }
  // No unique folder could be made: nothing was created, so nothing is deleted.
  if (!workspace->exists()) {
    closeSplash();
    return 0;
  }
  editorWriting.emplace([&] { writeEditorToWorkspace(*workspace, programResources, &unpacking); });

  const PathName page = PathName(workspace->path()).join("cfadmin").join("index.html");
  std::unique_ptr<BrowserHost> host;
  int hostReady = 0;
  // A Workspace path or page address longer than the host keeps would be cut; such a host is not
  // used.
  const auto makeHost = [&] {
    if (host) return;
    host = shell.createBrowserHost();
    hostReady = host && host->createHostWindow() &&
                host->setWorkspacePath(workspace->path().text()) &&
                host->setPageUrl(page.toFileUrl().text());
  };
  // Without its whole editor the run could not show or save the configuration: the user learns
  // why before choosing an installer.
  int editorReported = 0;
  const auto editorReady = [&] {
    editorWriting->wait();
    if (unpacking.empty()) return 1;
    if (!editorReported) shell.showMessage(message_id::kEditorNotWritten, 1, unpacking);
    editorReported = 1;
    return 0;
  };
  const auto dialogShown = [&] {
    closeSplash();
    makeHost();
    if (hostReady) host->warmUp();
    return editorReady();
  };

  InstallerImport import(shell, workspace->path());
  StartupDialog dialog(dialogShown, editorReady, import);
  const int answer = shell.runInstallerDialog(dialog);
  closeSplash();
  // Next was only taken with the editor whole; any other end still waits for the worker.
  editorWriting->wait();
  if (answer == Shell::kIdOk) {
    if (!isExistingFile(page)) {
      shell.showMessage(message_id::kEditorNotWritten, 1, std::string(page.text()) + ": not found");
    } else {
      makeHost();
      if (hostReady) {
        BrowserHost& live = *host;
        live.setInstallerName(splitPath(import.installerPath().c_str()).name.c_str());
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

  host.reset();
  workspace->removeTree(1);
  return 0;
}
