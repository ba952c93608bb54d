#include "browser/win32/browser_service_provider.h"

#include <cstring>

#include "browser/win32/page_url_policy.h"
#include "browser/win32/win32_browser_host.h"

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

HRESULT BrowserServiceProvider::ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy,
                                                 DWORD policySize, BYTE*, DWORD, DWORD, DWORD) {
  // Any other page or action keeps the control's own zone rules, so neither a page the control
  // was led to nor a file beside the page (the imported configuration, the installer copy) can
  // create ActiveX objects with the rights the editor needs.
  if (!isPageUrlAction(action) || !isWorkspacePageUrl(url, host_.workspacePath())) {
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
