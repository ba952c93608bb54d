// The control's navigation events as the host answers them. Arguments arrive last declared
// parameter first, as the control sends them.
#include <exdispid.h>
#include <gtest/gtest.h>

#include <string>

#include "browser/win32/keyboard_forwarding.h"
#include "browser/win32/win32_browser_host.h"

namespace {

class Bstr {
 public:
  explicit Bstr(const wchar_t* text) : value_(::SysAllocString(text)) {}
  ~Bstr() { ::SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_;
};

struct Events : ::testing::Test {
  Win32BrowserHost host{nullptr, ::GetModuleHandleA(nullptr)};
  IDispatch* sink = nullptr;
  int generations = 0;

  void SetUp() override {
    ASSERT_EQ(host.site()->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&sink)),
              S_OK);
    host.setGenerateHandler([this] { ++generations; });
  }

  HRESULT invoke(DISPID id, VARIANT* reversed, UINT count) {
    DISPPARAMS parameters = {reversed, nullptr, count, 0};
    return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr,
                        nullptr, nullptr);
  }

  // BeforeNavigate2 (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel). The frame
  // name and headers carry a generate link too, so reading the wrong position shows.
  HRESULT beforeNavigate(const wchar_t* url, VARIANT_BOOL& cancel) {
    Bstr address(url);
    Bstr decoy(L"javascript:onGenerate()");
    VARIANT urlValue, flagsValue, frameValue, empty;
    ::VariantInit(&empty);
    V_VT(&urlValue) = VT_BSTR;
    V_BSTR(&urlValue) = address.get();
    V_VT(&flagsValue) = VT_I4;
    V_I4(&flagsValue) = 0;
    V_VT(&frameValue) = VT_BSTR;
    V_BSTR(&frameValue) = decoy.get();
    VARIANT arguments[7];
    V_VT(&arguments[6]) = VT_DISPATCH;
    V_DISPATCH(&arguments[6]) = nullptr;
    V_VT(&arguments[5]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&arguments[5]) = &urlValue;
    V_VT(&arguments[4]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&arguments[4]) = &flagsValue;
    V_VT(&arguments[3]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&arguments[3]) = &frameValue;
    V_VT(&arguments[2]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&arguments[2]) = &empty;
    V_VT(&arguments[1]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&arguments[1]) = &frameValue;
    V_VT(&arguments[0]) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&arguments[0]) = &cancel;
    return invoke(DISPID_BEFORENAVIGATE2, arguments, 7);
  }
};

TEST_F(Events, TheGenerateLinkRunsGenerationAndNavigationAlwaysGoesOn) {
  struct Case {
    const wchar_t* url;
    int runs;
  } cases[] = {{L"javascript:onGenerate()", 1},
               {L"JAVASCRIPT:ONGENERATE()", 1},
               {L"javascript:onGenerate();void(0)", 1},
               {L"javascript:onGenerate(", 0},
               {L"file://C:/Temp/~kx0001/cfadmin/index.html", 0},
               {L"javascript:onSave()", 0}};
  for (const Case& c : cases) {
    generations = 0;
    VARIANT_BOOL cancel = VARIANT_TRUE;
    EXPECT_EQ(beforeNavigate(c.url, cancel), S_OK) << c.url;
    EXPECT_EQ(generations, c.runs) << c.url;
    EXPECT_EQ(cancel, VARIANT_FALSE) << c.url;
  }
}

TEST_F(Events, NewWindowsAreRefusedAndErrorPagesAllowed) {
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT newWindow[2];
  V_VT(&newWindow[1]) = VT_BYREF | VT_DISPATCH;
  V_VT(&newWindow[0]) = VT_BYREF | VT_BOOL;
  V_BOOLREF(&newWindow[0]) = &cancel;
  IDispatch* created = nullptr;
  V_DISPATCHREF(&newWindow[1]) = &created;
  EXPECT_EQ(invoke(DISPID_NEWWINDOW2, newWindow, 2), S_OK);
  EXPECT_EQ(cancel, VARIANT_TRUE);

  // NavigateError (pDisp, URL, Frame, StatusCode, Cancel).
  cancel = VARIANT_TRUE;
  VARIANT error[5];
  for (VARIANT& v : error) ::VariantInit(&v);
  V_VT(&error[0]) = VT_BYREF | VT_BOOL;
  V_BOOLREF(&error[0]) = &cancel;
  EXPECT_EQ(invoke(DISPID_NAVIGATEERROR, error, 5), S_OK);
  EXPECT_EQ(cancel, VARIANT_FALSE);
  EXPECT_EQ(generations, 0);
}

TEST_F(Events, AWorkspacePageThatFailsToLoadIsReportedByTheHostNamingItsPathOnce) {
  ASSERT_EQ(host.setWorkspacePath("C:\\Temp\\a #1\\~kxent"), 1);
  // NavigateError (pDisp, URL, Frame, StatusCode, Cancel); the frame name is a decoy page URL.
  const auto navigateError = [this](const wchar_t* url, long status) {
    Bstr address(url);
    Bstr frame(L"file:///C:/Temp/a%20%231/~kxent/cfadmin/index.html");
    VARIANT urlValue, frameValue, statusValue;
    V_VT(&urlValue) = VT_BSTR;
    V_BSTR(&urlValue) = address.get();
    V_VT(&frameValue) = VT_BSTR;
    V_BSTR(&frameValue) = frame.get();
    V_VT(&statusValue) = VT_I4;
    V_I4(&statusValue) = status;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT arguments[5];
    V_VT(&arguments[4]) = VT_DISPATCH;
    V_DISPATCH(&arguments[4]) = nullptr;
    V_VT(&arguments[3]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&arguments[3]) = &urlValue;
    V_VT(&arguments[2]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&arguments[2]) = &frameValue;
    V_VT(&arguments[1]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&arguments[1]) = &statusValue;
    V_VT(&arguments[0]) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&arguments[0]) = &cancel;
    EXPECT_EQ(invoke(DISPID_NAVIGATEERROR, arguments, 5), S_OK);
    return cancel;
  };

  // Another page keeps the control's own error page and reports nothing.
  EXPECT_EQ(navigateError(L"file:///C:/Temp/a%20%231/~kxent/kxenterprise.ini", 0x800C0005),
            VARIANT_FALSE);
  EXPECT_EQ(navigateError(L"http://127.0.0.1/cfadmin/index.html", 0x800C0005), VARIANT_FALSE);
  EXPECT_EQ(host.pageFailure(), "");

  const long fileNotFound = static_cast<long>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(navigateError(L"FILE:///c:/TEMP/a%20%231/~KXENT/cfadmin/index.html", fileNotFound),
            VARIANT_TRUE);
  const std::string report = host.pageFailure();
  EXPECT_NE(report.find("C:\\Temp\\a #1\\~kxent\\cfadmin\\index.html"), std::string::npos)
      << report;
  const std::string reason = report.substr(report.rfind('\n') + 1);
  EXPECT_FALSE(reason.empty() || reason.find("index.html") != std::string::npos) << report;

  // A second failure of the page keeps the error page away without a second report; a status
  // that no one has words for is given by its number.
  EXPECT_EQ(navigateError(L"file:///C:/Temp/a%20%231/~kxent/cfadmin/index.html", 0x7A7A7A7A),
            VARIANT_TRUE);
  EXPECT_EQ(host.pageFailure(), report);
  Win32BrowserHost other{nullptr, ::GetModuleHandleA(nullptr)};
  ASSERT_EQ(other.setWorkspacePath("C:\\ws"), 1);
  EXPECT_EQ(other.onNavigateFailed(L"file:///C:/ws/cfadmin/index.html", 0x7A7A7A7A), 1);
  EXPECT_NE(other.pageFailure().find("0x7A7A7A7A"), std::string::npos) << other.pageFailure();
  EXPECT_EQ(generations, 0);
}

TEST_F(Events, OtherEventsAreAcknowledgedOrDeclinedByTheirId) {
  VARIANT none;
  ::VariantInit(&none);
  EXPECT_EQ(invoke(DISPID_NAVIGATECOMPLETE2, &none, 0), S_OK);
  EXPECT_EQ(invoke(DISPID_DOCUMENTCOMPLETE, &none, 0), S_OK);
  EXPECT_EQ(invoke(DISPID_STATUSTEXTCHANGE, &none, 0), E_NOTIMPL);
  EXPECT_EQ(invoke(DISPID_PROGRESSCHANGE, &none, 0), E_NOTIMPL);
}

TEST_F(Events, AnEventWithoutItsArgumentsIsAnsweredWithoutTouchingMemory) {
  EXPECT_EQ(invoke(DISPID_BEFORENAVIGATE2, nullptr, 0), S_OK);
  EXPECT_EQ(sink->Invoke(DISPID_NEWWINDOW2, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr,
                         nullptr),
            S_OK);
  VARIANT wrongKind[2];
  V_VT(&wrongKind[0]) = VT_I4;
  V_I4(&wrongKind[0]) = 5;
  V_VT(&wrongKind[1]) = VT_EMPTY;
  EXPECT_EQ(invoke(DISPID_NEWWINDOW2, wrongKind, 2), S_OK);
  EXPECT_EQ(V_I4(&wrongKind[0]), 5);
  EXPECT_EQ(generations, 0);
}

TEST(KeyboardForwarding, TabWithAnyModifiersAndTheClipboardKeysWithCtrl) {
  const SHORT up = 0;
  const SHORT down = static_cast<SHORT>(0x8000);
  const SHORT toggledOnly = 0x0001;
  const SHORT downAndToggled = static_cast<SHORT>(0x8001);
  struct Case {
    UINT message;
    WPARAM key;
    SHORT control;
    int forwarded;
  } cases[] = {
      {WM_KEYDOWN, VK_TAB, up, 1},
      {WM_KEYDOWN, VK_TAB, down, 1},
      {WM_KEYDOWN, 'C', down, 1},
      {WM_KEYDOWN, 'V', down, 1},
      {WM_KEYDOWN, 'X', downAndToggled, 1},
      {WM_KEYDOWN, 'C', up, 0},
      {WM_KEYDOWN, 'V', toggledOnly, 0},
      {WM_KEYDOWN, 'A', down, 0},
      {WM_KEYDOWN, VK_DELETE, down, 0},
      {WM_KEYDOWN, 'c', down, 0},
      {WM_KEYUP, VK_TAB, up, 0},
      {WM_KEYUP, 'C', down, 0},
      {WM_SYSKEYDOWN, VK_TAB, up, 0},
      {WM_SYSKEYDOWN, 'C', down, 0},
      {WM_CHAR, 'C', down, 0},
      {WM_CHAR, VK_TAB, up, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isForwardedKeyMessage(c.message, c.key, c.control), c.forwarded)
        << std::hex << c.message << " " << c.key << " " << c.control;
  }
}

}  // namespace
