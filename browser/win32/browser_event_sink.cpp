#include "browser/win32/browser_event_sink.h"

#include <exdispid.h>

#include "browser/win32/wide_text.h"
#include "browser/win32/win32_browser_host.h"

namespace {

// Event arguments arrive last declared parameter first; `fromEnd` 0 is the last parameter.
VARIANT* argumentFromEnd(DISPPARAMS* parameters, UINT fromEnd, UINT declaredCount) {
  if (parameters == nullptr || parameters->rgvarg == nullptr) return nullptr;
  if (parameters->cArgs < declaredCount || fromEnd >= parameters->cArgs) return nullptr;
  return &parameters->rgvarg[fromEnd];
}

// Each event's Cancel is its last parameter, a reference to a VARIANT_BOOL.
void setCancel(DISPPARAMS* parameters, UINT declaredCount, VARIANT_BOOL cancel) {
  VARIANT* argument = argumentFromEnd(parameters, 0, declaredCount);
  if (argument == nullptr) return;
  if (V_VT(argument) == (VT_BYREF | VT_BOOL) && V_BOOLREF(argument) != nullptr) {
    *V_BOOLREF(argument) = cancel;
  } else if (V_VT(argument) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(argument) != nullptr &&
             V_VT(V_VARIANTREF(argument)) == VT_BOOL) {
    V_BOOL(V_VARIANTREF(argument)) = cancel;
  }
}

// The argument itself, or the VARIANT it refers to.
VARIANT* valueArgument(DISPPARAMS* parameters, UINT fromEnd, UINT declaredCount) {
  VARIANT* argument = argumentFromEnd(parameters, fromEnd, declaredCount);
  if (argument != nullptr && V_VT(argument) == (VT_BYREF | VT_VARIANT)) {
    argument = V_VARIANTREF(argument);
  }
  return argument;
}

// The URLs of BeforeNavigate2 and NavigateError are references to a VARIANT holding the string.
const wchar_t* urlArgument(DISPPARAMS* parameters, UINT fromEnd, UINT declaredCount) {
  VARIANT* argument = valueArgument(parameters, fromEnd, declaredCount);
  return argument != nullptr && V_VT(argument) == VT_BSTR ? V_BSTR(argument) : nullptr;
}

// NavigateError (pDisp, URL, Frame, StatusCode, Cancel).
constexpr UINT kNavigateErrorDeclared = 5;

long statusArgument(DISPPARAMS* parameters) {
  VARIANT* argument = valueArgument(parameters, 1, kNavigateErrorDeclared);
  return argument != nullptr && V_VT(argument) == VT_I4 ? V_I4(argument) : 0;
}

}  // namespace

BrowserEventSink::BrowserEventSink(Win32BrowserHost& host) : SiteRole(host), host_(host) {}

HRESULT BrowserEventSink::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }

HRESULT BrowserEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT BrowserEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT BrowserEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*,
                                 EXCEPINFO*, UINT*) {
  switch (id) {
    case DISPID_BEFORENAVIGATE2: {
      const std::string url = narrowFromWide(urlArgument(parameters, 5, 7));
      host_.onBeforeNavigate(url.c_str());
      setCancel(parameters, 7, VARIANT_FALSE);
      return S_OK;
    }
    case DISPID_NEWWINDOW2:
      setCancel(parameters, 2, host_.onNewWindow() ? VARIANT_TRUE : VARIANT_FALSE);
      return S_OK;
    case DISPID_NAVIGATEERROR:
      setCancel(parameters, kNavigateErrorDeclared,
                host_.onNavigateFailed(urlArgument(parameters, 3, kNavigateErrorDeclared),
                                       statusArgument(parameters))
                    ? VARIANT_TRUE
                    : VARIANT_FALSE);
      return S_OK;
    case DISPID_NAVIGATECOMPLETE2:
    case DISPID_DOCUMENTCOMPLETE:
      return S_OK;
    default:
      return E_NOTIMPL;
  }
}
