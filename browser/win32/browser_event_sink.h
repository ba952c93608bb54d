#pragma once

#include "browser/win32/site_role.h"

class Win32BrowserHost;

// The control's navigation events (DWebBrowserEvents2), handed to the portable host's decisions:
// the generate link runs generation before its navigation goes on, new windows are refused, and a
// Workspace page that fails to load is reported by the host instead of the control's error page.
class BrowserEventSink final : public SiteRole<IDispatch> {
 public:
  explicit BrowserEventSink(Win32BrowserHost& host);

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override;

 private:
  Win32BrowserHost& host_;
};
