#pragma once

#include <string>

#include "browser/browser_host.h"
#include "browser/win32/browser_event_sink.h"
#include "browser/win32/browser_ole_site.h"
#include "browser/win32/browser_service_provider.h"
#include "browser/win32/browser_ui_handler.h"
#include "browser/win32/com_ref.h"
#include "browser/win32/site_role.h"

// Keeps OLE initialised for the thread from before the host exists until after it has released
// the control.
class OleSession {
 public:
  OleSession() : initialised_(SUCCEEDED(::OleInitialize(nullptr))) {}
  ~OleSession() {
    if (initialised_) ::OleUninitialize();
  }
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;

 private:
  bool initialised_;
};

// The main window while the administrator edits: a top-level window whose client area is the
// WebBrowser control, sited by the host's role objects, which all answer as one COM object.
class Win32BrowserHost : public BrowserHost, public SiteIdentity {
 public:
  static constexpr int kTitleStringId = 101;
  static constexpr int kIconId = 101;
  // Posted to the host window to show the page's load failure outside the control's event.
  static constexpr UINT kShowPageFailure = WM_APP + 1;

  Win32BrowserHost(HWND parentWindow, HINSTANCE moduleInstance);
  ~Win32BrowserHost() override;

  // The one QueryInterface of all the host's interfaces. The count it raises governs nothing.
  HRESULT queryInterface(REFIID iid, void** out) override;

  // Offered every message of the main loop: Tab, and Ctrl with C, V or X, go to the control's
  // accelerator handling so the page can move focus and use the clipboard. E_FAIL for every
  // other message and whenever there is no control.
  HRESULT forwardKeyboardMessage(const MSG& message);

  // NavigateError. The Workspace page itself failed to load: 1 (cancel the control's own error
  // page, which leaves no way forward), and the host shows its error naming the page, once the
  // event has returned, and then closes its window so that the run ends and the Workspace goes.
  // Any other failed navigation: 0, the control's default.
  int onNavigateFailed(const wchar_t* url, long status);
  // The error waiting to be shown for the page, or empty.
  const std::string& pageFailure() const { return pageFailure_; }

  HWND hostWindow() const { return hostWindow_; }
  HINSTANCE moduleInstance() const { return moduleInstance_; }
  const char* windowTitle() const { return windowTitle_; }
  LONG referenceCount() const { return referenceCount_; }
  // The primary interface, as the control receives it.
  IUnknown* site() { return static_cast<IServiceProvider*>(&serviceProvider_); }

 protected:
  int createHostWindowImpl() override;
  void warmUpImpl() override;
  void showAndNavigateImpl(const char* url) override;
  void runMessageLoopImpl() override;
  void generationEndedImpl(int written) override;

 private:
  static LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // 1 when the message is done with and must not reach the default handling.
  int handleWindowMessage(HWND window, UINT message);
  // Asks the page's kxHasUnsavedEdits() through the document's script object.
  PageEdits pageEdits();
  // Calls the page's global function `name` with `arguments` (last first, as DISPPARAMS holds
  // them); E_FAIL when there is no page or no such function.
  HRESULT callPageFunction(const wchar_t* name, VARIANT* arguments, UINT count, VARIANT* result);
  void embedBrowser();
  void navigate(const wchar_t* url);
  void fitBrowserToWindow();
  void unsubscribeEvents();
  void releaseBrowser();

  OleSession ole_;
  BrowserServiceProvider serviceProvider_;
  BrowserUiHandler uiHandler_;
  BrowserOleSite oleSite_;
  BrowserEventSink eventSink_;

  ComRef<IWebBrowser2> webBrowser_;
  ComRef<IConnectionPoint> connectionPoint_;
  ComRef<IConnectionPointContainer> connectionPointContainer_;
  ComRef<IOleInPlaceObject> inPlaceObject_;
  ComRef<IOleObject> oleObject_;
  HWND parentWindow_;
  HWND hostWindow_ = nullptr;
  DWORD adviseCookie_ = 0;
  LONG referenceCount_ = 1;
  int closeQueryOpen_ = 0;
  int pageRequested_ = 0;
  HINSTANCE moduleInstance_;
  char windowTitle_[kTextCapacity] = {};
  std::string pageFailure_;
};
