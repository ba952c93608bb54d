#include "browser/win32/browser_ole_site.h"

#include "browser/win32/win32_browser_host.h"

BrowserOleSite::BrowserOleSite(Win32BrowserHost& host) : SiteRole(host), host_(host) {}

HRESULT BrowserOleSite::SaveObject() { return E_NOTIMPL; }

HRESULT BrowserOleSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT BrowserOleSite::GetContainer(IOleContainer** container) {
  if (container != nullptr) *container = nullptr;
  return E_NOTIMPL;
}

HRESULT BrowserOleSite::ShowObject() { return S_OK; }

HRESULT BrowserOleSite::OnShowWindow(WINBOOL) { return S_OK; }

HRESULT BrowserOleSite::RequestNewObjectLayout() { return E_NOTIMPL; }

HRESULT BrowserOleSite::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = host_.hostWindow();
  return S_OK;
}

HRESULT BrowserOleSite::ContextSensitiveHelp(WINBOOL) { return E_NOTIMPL; }

HRESULT BrowserOleSite::CanInPlaceActivate() { return S_OK; }

HRESULT BrowserOleSite::OnInPlaceActivate() { return S_OK; }

HRESULT BrowserOleSite::OnUIActivate() { return S_OK; }

HRESULT BrowserOleSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                         LPRECT position, LPRECT clip,
                                         LPOLEINPLACEFRAMEINFO frameInfo) {
  // The host has no frame or document window of its own; the control must find every answer
  // empty rather than whatever its buffers held.
  if (frame != nullptr) *frame = nullptr;
  if (document != nullptr) *document = nullptr;
  if (position != nullptr) ::SetRectEmpty(position);
  if (clip != nullptr) ::SetRectEmpty(clip);
  if (frameInfo != nullptr) {
    const UINT size = frameInfo->cb;
    *frameInfo = OLEINPLACEFRAMEINFO{};
    frameInfo->cb = size;
  }
  return S_OK;
}

HRESULT BrowserOleSite::Scroll(SIZE) { return E_NOTIMPL; }

HRESULT BrowserOleSite::OnUIDeactivate(WINBOOL) { return E_NOTIMPL; }

HRESULT BrowserOleSite::OnInPlaceDeactivate() { return E_NOTIMPL; }

HRESULT BrowserOleSite::DiscardUndoState() { return E_NOTIMPL; }

HRESULT BrowserOleSite::DeactivateAndUndo() { return E_NOTIMPL; }

HRESULT BrowserOleSite::OnPosRectChange(LPCRECT) { return E_NOTIMPL; }
