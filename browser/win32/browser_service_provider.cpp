#include "browser/win32/browser_service_provider.h"

#include <cstring>

#include "browser/win32/wide_text.h"
#include "browser/win32/win32_browser_host.h"
#include "browser/win32/workspace_url.h"

BrowserServiceProvider::BrowserServiceProvider(Win32BrowserHost& host)
    : SiteRole(host), host_(host) {}

HRESULT BrowserServiceProvider::QueryService(REFGUID service, REFIID iid, void** out) {
  if (IsEqualGUID(service, SID_SInternetSecurityManager) &&
      IsEqualIID(iid, IID_IInternetSecurityManager)) {
    return host_.queryInterface(iid, out);
  }
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT BrowserServiceProvider::SetSecuritySite(IInternetSecurityMgrSite*) {
  return INET_E_DEFAULT_ACTION;
}

HRESULT BrowserServiceProvider::GetSecuritySite(IInternetSecurityMgrSite**) {
  return INET_E_DEFAULT_ACTION;
}

HRESULT BrowserServiceProvider::MapUrlToZone(LPCWSTR, DWORD*, DWORD) {
  return INET_E_DEFAULT_ACTION;
}

HRESULT BrowserServiceProvider::GetSecurityId(LPCWSTR, BYTE*, DWORD*, DWORD_PTR) {
  return INET_E_DEFAULT_ACTION;
}

HRESULT BrowserServiceProvider::ProcessUrlAction(LPCWSTR url, DWORD, BYTE* policy, DWORD policySize,
                                                 BYTE*, DWORD, DWORD, DWORD) {
  // Any other page keeps the control's own zone rules, so a page the control was led to can
  // never create ActiveX objects with the rights the editor needs.
  if (url == nullptr || !isInsideWorkspaceUrl(narrowFromWide(url).c_str(), host_.workspacePath())) {
    return INET_E_DEFAULT_ACTION;
  }
  if (policy == nullptr || policySize < sizeof(DWORD)) return S_FALSE;
  const DWORD allow = URLPOLICY_ALLOW;
  std::memcpy(policy, &allow, sizeof(allow));
  return S_OK;
}

HRESULT BrowserServiceProvider::QueryCustomPolicy(LPCWSTR, REFGUID, BYTE**, DWORD*, BYTE*, DWORD,
                                                  DWORD) {
  return INET_E_DEFAULT_ACTION;
}

HRESULT BrowserServiceProvider::SetZoneMapping(DWORD, LPCWSTR, DWORD) {
  return INET_E_DEFAULT_ACTION;
}

HRESULT BrowserServiceProvider::GetZoneMappings(DWORD, IEnumString**, DWORD) {
  return INET_E_DEFAULT_ACTION;
}
