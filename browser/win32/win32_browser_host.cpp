#include "browser/win32/win32_browser_host.h"

#include <mshtml.h>

#include <new>
#include <string>

#include "browser/win32/keyboard_forwarding.h"
#include "browser/win32/navigation_error.h"
#include "browser/win32/page_url_policy.h"
#include "browser/win32/wide_text.h"

namespace {

constexpr char kErrorTitle[] = "Error";

}  // namespace

Win32BrowserHost::Win32BrowserHost(HWND parentWindow, HINSTANCE moduleInstance)
    : serviceProvider_(*this),
      uiHandler_(*this),
      oleSite_(*this),
      eventSink_(*this),
      parentWindow_(parentWindow),
      moduleInstance_(moduleInstance) {}

Win32BrowserHost::~Win32BrowserHost() { releaseBrowser(); }

HRESULT Win32BrowserHost::queryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  IUnknown* found = nullptr;
  if (IsEqualIID(iid, IID_IUnknown)) {
    found = static_cast<IServiceProvider*>(&serviceProvider_);
  } else if (IsEqualIID(iid, IID_IOleClientSite)) {
    found = static_cast<IOleClientSite*>(&oleSite_);
  } else if (IsEqualIID(iid, IID_IDocHostUIHandler)) {
    found = static_cast<IDocHostUIHandler*>(&uiHandler_);
  } else if (IsEqualIID(iid, IID_IOleInPlaceSite)) {
    found = static_cast<IOleInPlaceSite*>(&oleSite_);
  } else if (IsEqualIID(iid, IID_IServiceProvider)) {
    found = static_cast<IServiceProvider*>(&serviceProvider_);
  } else if (IsEqualIID(iid, IID_IInternetSecurityManager)) {
    found = static_cast<IInternetSecurityManager*>(&serviceProvider_);
  } else if (IsEqualIID(iid, DIID_DWebBrowserEvents2)) {
    found = static_cast<IDispatch*>(&eventSink_);
  }
  if (found == nullptr) return E_NOINTERFACE;
  *out = found;
  ++referenceCount_;
  return S_OK;
}

int Win32BrowserHost::createHostWindowImpl() {
  const Geometry place =
      geometryForScreen(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));

  ::LoadStringA(moduleInstance_, kTitleStringId, windowTitle_, kTextCapacity);
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &Win32BrowserHost::hostWindowProc;
  windowClass.hInstance = moduleInstance_;
  windowClass.hIcon = ::LoadIconA(moduleInstance_, MAKEINTRESOURCEA(kIconId));
  // The control covers the whole client area; a background of our own would only flicker.
  windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
  windowClass.lpszClassName = windowTitle_;
  ::RegisterClassExA(&windowClass);

  // Created hidden: the first size notification comes when it is shown, after embedding. It is
  // made while the installer dialog, which has the program's title, is still open; it takes its
  // own title, naming the installer, when it is shown.
  hostWindow_ = ::CreateWindowExA(WS_EX_DLGMODALFRAME, windowTitle_, "", WS_OVERLAPPEDWINDOW,
                                  place.x, place.y, place.width, place.height, parentWindow_,
                                  nullptr, moduleInstance_, nullptr);
  if (hostWindow_ == nullptr) return 0;
  ::SetWindowLongPtrA(hostWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  embedBrowser();
  return 1;
}

void Win32BrowserHost::embedBrowser() {
  ComRef<IUnknown> control;
  ::CoCreateInstance(CLSID_WebBrowser, nullptr,
                     CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                     IID_IUnknown, control.receiveVoid());
  if (!control) return;

  control->QueryInterface(IID_IWebBrowser2, webBrowser_.receiveVoid());
  control->QueryInterface(IID_IOleObject, oleObject_.receiveVoid());
  control->QueryInterface(IID_IConnectionPointContainer, connectionPointContainer_.receiveVoid());
  control->QueryInterface(IID_IOleInPlaceObject, inPlaceObject_.receiveVoid());

  IOleClientSite* clientSite = &oleSite_;
  if (oleObject_) oleObject_->SetClientSite(clientSite);
  RECT client = {};
  ::GetClientRect(hostWindow_, &client);
  if (inPlaceObject_) inPlaceObject_->SetObjectRects(&client, &client);
  if (oleObject_) {
    oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, hostWindow_, &client);
  }
  if (connectionPointContainer_) {
    connectionPointContainer_->FindConnectionPoint(DIID_DWebBrowserEvents2,
                                                   connectionPoint_.receive());
  }
  if (connectionPoint_)
    connectionPoint_->Advise(static_cast<IDispatch*>(&eventSink_), &adviseCookie_);
}

void Win32BrowserHost::warmUpImpl() {
  // An empty document loads the control's engine while the window stays hidden; it is not the
  // Workspace page, so the site grants it nothing.
  if (!pageRequested_) navigate(L"about:blank");
}

void Win32BrowserHost::showAndNavigateImpl(const char* url) {
  pageRequested_ = 1;
  if (hostWindow_ != nullptr) {
    // The installer's name is known only now; the window was made before it was chosen.
    ::SetWindowTextA(hostWindow_, windowTitleFor(windowTitle_).c_str());
    ::ShowWindow(hostWindow_, SW_SHOW);
    ::UpdateWindow(hostWindow_);
  }
  navigate(wideFromNarrow(url).c_str());
}

void Win32BrowserHost::navigate(const wchar_t* url) {
  if (!webBrowser_) return;
  BSTR address = ::SysAllocString(url);
  if (address == nullptr) throw std::bad_alloc();
  VARIANT flags, targetFrame, postData, headers;
  ::VariantInit(&flags);
  ::VariantInit(&targetFrame);
  ::VariantInit(&postData);
  ::VariantInit(&headers);
  webBrowser_->Navigate(address, &flags, &targetFrame, &postData, &headers);
  ::SysFreeString(address);
}

void Win32BrowserHost::runMessageLoopImpl() {
  MSG message;
  // GetMessage answers -1 on failure; treating that as a message would spin forever.
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    forwardKeyboardMessage(message);
    ::DispatchMessageA(&message);
  }
}

HRESULT Win32BrowserHost::forwardKeyboardMessage(const MSG& message) {
  if (!isForwardedKeyMessage(message.message, message.wParam, ::GetKeyState(VK_CONTROL))) {
    return E_FAIL;
  }
  if (!webBrowser_) return E_FAIL;
  ComRef<IOleInPlaceActiveObject> activeObject;
  webBrowser_->QueryInterface(IID_IOleInPlaceActiveObject, activeObject.receiveVoid());
  if (!activeObject) return E_FAIL;
  MSG copy = message;
  return activeObject->TranslateAccelerator(&copy);
}

int Win32BrowserHost::onNavigateFailed(const wchar_t* url, long status) {
  if (!isWorkspacePageUrl(url, workspacePath())) return onNavigateError();
  // The page is reported once; a later failure of it only keeps the error page away.
  if (!pageFailure_.empty()) return 1;
  pageFailure_ = pageLoadFailureMessage(navigationErrorText(status).c_str());
  // A modal box inside the control's own event would run a message loop within it.
  if (hostWindow_ != nullptr) ::PostMessageA(hostWindow_, kShowPageFailure, 0, 0);
  return 1;
}

LRESULT CALLBACK Win32BrowserHost::hostWindowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  // Creation messages arrive before the host is attached; they go straight to the default.
  auto* host = reinterpret_cast<Win32BrowserHost*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (host != nullptr && host->handleWindowMessage(window, message)) return 0;
  return ::DefWindowProcA(window, message, wParam, lParam);
}

int Win32BrowserHost::handleWindowMessage(HWND window, UINT message) {
  switch (message) {
    case WM_SIZE:
      fitBrowserToWindow();
      break;
    case kShowPageFailure:
      if (pageFailure_.empty()) break;
      ::MessageBoxA(window, pageFailure_.c_str(), kErrorTitle, MB_OK | MB_ICONERROR);
      unsubscribeEvents();
      ::DestroyWindow(window);
      break;
    case WM_CLOSE:
      // Closing while the question is open would close under it; the first request decides.
      if (closeQueryOpen_) return 1;
      closeQueryOpen_ = 1;
      if (!mayClose(pageEdits())) {
        closeQueryOpen_ = 0;
        return 1;
      }
      closeQueryOpen_ = 0;
      unsubscribeEvents();
      ::DestroyWindow(window);
      break;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      break;
    case WM_NCDESTROY:
      // The window is gone: nothing may reach the host through it, and nothing may use it.
      ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      if (hostWindow_ == window) hostWindow_ = nullptr;
      break;
    default:
      break;
  }
  return 0;
}

HRESULT Win32BrowserHost::callPageFunction(const wchar_t* name, VARIANT* arguments, UINT count,
                                           VARIANT* result) {
  if (!webBrowser_) return E_FAIL;
  ComRef<IDispatch> documentDispatch;
  if (FAILED(webBrowser_->get_Document(documentDispatch.receive())) || !documentDispatch) {
    return E_FAIL;
  }
  ComRef<IHTMLDocument> document;
  documentDispatch->QueryInterface(IID_IHTMLDocument, document.receiveVoid());
  ComRef<IDispatch> script;
  if (!document || FAILED(document->get_Script(script.receive())) || !script) return E_FAIL;
  std::wstring copy(name);
  LPOLESTR names[] = {copy.data()};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(script->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return E_FAIL;
  DISPPARAMS parameters = {};
  parameters.rgvarg = arguments;
  parameters.cArgs = count;
  return script->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result,
                        nullptr, nullptr);
}

void Win32BrowserHost::generationEndedImpl(int written) {
  VARIANT argument;
  ::VariantInit(&argument);
  V_VT(&argument) = VT_BOOL;
  V_BOOL(&argument) = written ? VARIANT_TRUE : VARIANT_FALSE;
  // A page without the function needs no word.
  callPageFunction(L"kxGenerationEnded", &argument, 1, nullptr);
}

BrowserHost::PageEdits Win32BrowserHost::pageEdits() {
  VARIANT result;
  ::VariantInit(&result);
  const HRESULT called = callPageFunction(L"kxHasUnsavedEdits", nullptr, 0, &result);
  PageEdits edits = PageEdits::kUnknown;
  if (SUCCEEDED(called) && V_VT(&result) == VT_BOOL) {
    edits = V_BOOL(&result) == VARIANT_TRUE ? PageEdits::kUnsaved : PageEdits::kNone;
  }
  ::VariantClear(&result);
  return edits;
}

void Win32BrowserHost::fitBrowserToWindow() {
  if (!inPlaceObject_ || hostWindow_ == nullptr) return;
  RECT client = {};
  ::GetClientRect(hostWindow_, &client);
  inPlaceObject_->SetObjectRects(&client, &client);
}

void Win32BrowserHost::unsubscribeEvents() {
  if (connectionPoint_ && adviseCookie_ != 0) connectionPoint_->Unadvise(adviseCookie_);
  adviseCookie_ = 0;
}

void Win32BrowserHost::releaseBrowser() {
  // A host deleted without its window having been closed must not stay subscribed.
  unsubscribeEvents();
  if (webBrowser_) webBrowser_->Quit();
  // The control must not call back into a site that is about to be freed.
  if (oleObject_) oleObject_->SetClientSite(nullptr);
  webBrowser_.reset();
  connectionPoint_.reset();
  connectionPointContainer_.reset();
  inPlaceObject_.reset();
  oleObject_.reset();
  if (hostWindow_ != nullptr) {
    ::SetWindowLongPtrA(hostWindow_, GWLP_USERDATA, 0);
  }
}
