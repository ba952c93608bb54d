#include "browser/win32/browser_ui_handler.h"

namespace {

// Declining leaves an out-parameter empty rather than unwritten.
template <class T>
HRESULT declineWith(T** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}

}  // namespace

HRESULT BrowserUiHandler::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_OK; }

HRESULT BrowserUiHandler::GetHostInfo(DOCHOSTUIINFO*) { return E_NOTIMPL; }

HRESULT BrowserUiHandler::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                 IOleInPlaceFrame*, IOleInPlaceUIWindow*) {
  return E_NOTIMPL;
}

HRESULT BrowserUiHandler::HideUI() { return E_NOTIMPL; }

HRESULT BrowserUiHandler::UpdateUI() { return E_NOTIMPL; }

HRESULT BrowserUiHandler::EnableModeless(WINBOOL) { return E_NOTIMPL; }

HRESULT BrowserUiHandler::OnDocWindowActivate(WINBOOL) { return E_NOTIMPL; }

HRESULT BrowserUiHandler::OnFrameWindowActivate(WINBOOL) { return E_NOTIMPL; }

HRESULT BrowserUiHandler::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) { return E_NOTIMPL; }

HRESULT BrowserUiHandler::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return E_NOTIMPL; }

HRESULT BrowserUiHandler::GetOptionKeyPath(LPOLESTR* key, DWORD) { return declineWith(key); }

HRESULT BrowserUiHandler::GetDropTarget(IDropTarget*, IDropTarget** replacement) {
  return declineWith(replacement);
}

HRESULT BrowserUiHandler::GetExternal(IDispatch** external) { return declineWith(external); }

HRESULT BrowserUiHandler::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
  return declineWith(translated);
}

HRESULT BrowserUiHandler::FilterDataObject(IDataObject*, IDataObject** replacement) {
  return declineWith(replacement);
}
