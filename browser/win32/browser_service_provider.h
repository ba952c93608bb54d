#pragma once

#include "browser/win32/site_role.h"

class Win32BrowserHost;

// The host's primary interface and its security manager. The control finds the manager through
// QueryService and asks it for the policy of every URL action; only the Workspace page gets the
// few actions it needs allowed.
class BrowserServiceProvider final : public SiteRole<IServiceProvider, IInternetSecurityManager> {
 public:
  explicit BrowserServiceProvider(Win32BrowserHost& host);

  // IServiceProvider
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override;

  // IInternetSecurityManager
  HRESULT STDMETHODCALLTYPE SetSecuritySite(IInternetSecurityMgrSite* site) override;
  HRESULT STDMETHODCALLTYPE GetSecuritySite(IInternetSecurityMgrSite** site) override;
  HRESULT STDMETHODCALLTYPE MapUrlToZone(LPCWSTR url, DWORD* zone, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetSecurityId(LPCWSTR url, BYTE* securityId, DWORD* securityIdSize,
                                          DWORD_PTR reserved) override;
  HRESULT STDMETHODCALLTYPE ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy,
                                             DWORD policySize, BYTE* context, DWORD contextSize,
                                             DWORD flags, DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE QueryCustomPolicy(LPCWSTR url, REFGUID key, BYTE** policy,
                                              DWORD* policySize, BYTE* context, DWORD contextSize,
                                              DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE SetZoneMapping(DWORD zone, LPCWSTR pattern, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE GetZoneMappings(DWORD zone, IEnumString** patterns,
                                            DWORD flags) override;

 private:
  Win32BrowserHost& host_;
};
