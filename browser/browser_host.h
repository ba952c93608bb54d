#pragma once

#include <functional>
#include <string>

// The window that shows the preference editor page. The portable part decides what happens on
// each event the HTML view reports; each backend (browser/gtk, browser/win32) only says how the
// window and the view are made, shown and driven.
class BrowserHost {
 public:
  // Texts the host keeps are limited to 255 characters and the terminator.
  static constexpr int kTextCapacity = 256;

  struct Geometry {
    int x;
    int y;
    int width;
    int height;
  };

  using GenerateHandler = std::function<void()>;

  BrowserHost();
  virtual ~BrowserHost() = default;
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  // Registers the window class, creates the hidden window and embeds the view. 1 on success.
  int createHostWindow() { return createHostWindowImpl(); }

  // Starts the view's engine while the window stays hidden (the Workspace path set), so that
  // showAndNavigate has only the page to load. Nothing the engine shows meanwhile reaches the host.
  void warmUp() { warmUpImpl(); }

  // Shows and paints the window under its title, then navigates the view to pageUrl.
  void showAndNavigate() { showAndNavigateImpl(pageUrl_); }

  // Runs the window's message loop until the window is closed.
  void runMessageLoop() { runMessageLoopImpl(); }

  // Both return 0, and keep the previous text, when the text does not fit in 255 characters.
  int setPageUrl(const char* url);
  int setWorkspacePath(const char* path);
  const char* pageUrl() const { return pageUrl_; }
  const char* workspacePath() const { return workspacePath_; }

  // The installer being edited, by its file name: the window title names it before the program's
  // own name. Set before showAndNavigate.
  void setInstallerName(const char* name) { installerName_ = name != nullptr ? name : ""; }
  // The window title for the program's title `programTitle`: "<installer> - <programTitle>".
  std::string windowTitleFor(const char* programTitle) const;

  // Player generation, run when the page follows the generate link.
  void setGenerateHandler(GenerateHandler handler) { generate_ = std::move(handler); }

  // Tells the page how the generation that its link started ended (`written` 1 when an
  // installer was written), through the page's kxGenerationEnded(written) when it has one: a
  // generation that was cancelled or failed leaves its edits unsaved.
  void generationEnded(int written) { generationEndedImpl(written); }
  // The script the backends evaluate in the page for generationEnded.
  static const char* generationEndedScript(int written);

  // What the page answered when asked, as the window was being closed, whether it holds edits
  // that no generated player carries yet (its function kxHasUnsavedEdits()).
  enum class PageEdits {
    kNone,     // it answered false
    kUnsaved,  // it answered true
    kUnknown,  // the page has no such function, it failed, or it did not answer in time
  };
  // The question put to the user before edits are discarded; 1 when they agree to close.
  using CloseQuestion = std::function<int()>;
  void setCloseQuestion(CloseQuestion question) { closeQuestion_ = std::move(question); }
  // 1 when the window may close: only unsaved edits hold it, and then only if the user says no.
  // A page that cannot answer closes as a page without the function always has.
  int mayClose(PageEdits edits) const;
  // The script the backends evaluate in the page: true only when the page's function exists and
  // answers true.
  static const char* unsavedEditsScript();

  // Events reported by the backends.
  // Before every navigation: runs generation for the generate link, unless the page's last file
  // write failed. The navigation itself is never cancelled.
  void onBeforeNavigate(const char* url);
  // The page asks to open a new window: always refused (returns 1: cancel).
  int onNewWindow() { return 1; }
  // A navigation other than the Workspace page's failed: the view goes on to its own error page
  // (returns 0: do not cancel). The page's own failure is reported with the message below.
  int onNavigateError() { return 0; }
  // What the user is told when the page itself could not be shown: its path and the view's
  // reason. The backend then closes its window, so that the run ends and the Workspace goes.
  std::string pageLoadFailureMessage(const char* reason) const;
  // The page writes its configuration through the host (views without a scripting file object):
  // `name` is written beside the page, the text followed by CR LF. 1 when written; a name that
  // is not a plain file name is refused.
  int onWriteFile(const char* name, const char* text);
  // Why the last write failed: the file and the system's reason; empty after a success.
  const std::string& lastWriteFailure() const { return lastWriteFailure_; }

  // The host window's place: two thirds of the screen, one sixth in from the left and top.
  static Geometry geometryForScreen(int screenWidth, int screenHeight);

 protected:
  virtual int createHostWindowImpl() = 0;
  virtual void showAndNavigateImpl(const char* url) = 0;
  virtual void runMessageLoopImpl() = 0;
  // Backends without a page to tell leave it unsaid.
  virtual void generationEndedImpl(int) {}
  // Backends whose view starts quickly enough do everything in showAndNavigate.
  virtual void warmUpImpl() {}

 private:
  char pageUrl_[kTextCapacity];
  char workspacePath_[kTextCapacity];
  GenerateHandler generate_;
  CloseQuestion closeQuestion_;
  std::string installerName_;
  int lastWriteFailed_ = 0;
  std::string lastWriteFailure_;
};

// 1 when the first 23 characters of the URL are "javascript:onGenerate()" in any letter case.
int isGenerateLink(const char* url);
