// Which URL actions the host allows itself: only the Workspace page's own, and only those it needs.
// Every other URL and action keeps the control's own zone rules.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

#include "base/path_name.h"
#include "browser/win32/page_url_policy.h"
#include "browser/win32/win32_browser_host.h"

namespace {

constexpr DWORD kUntouched = 0xA5A5A5A5;

struct UrlPolicy : ::testing::Test {
  Win32BrowserHost host{nullptr, ::GetModuleHandleA(nullptr)};
  IInternetSecurityManager* manager = nullptr;

  void SetUp() override {
    ASSERT_EQ(host.setWorkspacePath("C:\\Temp\\~kx0001"), 1);
    ASSERT_EQ(host.site()->QueryInterface(IID_IInternetSecurityManager,
                                          reinterpret_cast<void**>(&manager)),
              S_OK);
  }

  HRESULT ask(const wchar_t* url, DWORD& policy, DWORD size = sizeof(DWORD),
              DWORD action = URLACTION_ACTIVEX_RUN) {
    policy = kUntouched;
    return manager->ProcessUrlAction(url, action, reinterpret_cast<BYTE*>(&policy), size, nullptr,
                                     0, PUAF_DEFAULT, 0);
  }
};

constexpr DWORD kPageActions[] = {URLACTION_SCRIPT_RUN,
                                  URLACTION_SCRIPT_SAFE_ACTIVEX,
                                  URLACTION_SCRIPT_OVERRIDE_SAFETY,
                                  URLACTION_ACTIVEX_RUN,
                                  URLACTION_ACTIVEX_OVERRIDE_OBJECT_SAFETY,
                                  URLACTION_ACTIVEX_OVERRIDE_SCRIPT_SAFETY,
                                  URLACTION_ACTIVEX_CONFIRM_NOOBJECTSAFETY};

TEST_F(UrlPolicy, ThePageRunsItsScriptsAndCreatesTheFileObjectInAnySpelling) {
  for (const wchar_t* url :
       {L"file:///C:/Temp/~kx0001/cfadmin/index.html", L"file://C:/Temp/~kx0001/cfadmin/index.html",
        L"FILE:///c:/TEMP/~KX0001/CFADMIN/INDEX.HTML",
        L"file:///C:\\Temp\\~kx0001\\cfadmin\\index.html",
        L"file://localhost/C:/Temp/%7Ekx0001/cfadmin/index%2Ehtml",
        L"file:///C|/Temp/~kx0001/cfadmin/index.html#top",
        L"file:///C:/Temp/~kx0001/cfadmin/../cfadmin/./index.html"}) {
    for (DWORD action : kPageActions) {
      DWORD policy;
      EXPECT_EQ(ask(url, policy, sizeof(DWORD), action), S_OK) << url << " " << action;
      EXPECT_EQ(policy, static_cast<DWORD>(URLPOLICY_ALLOW)) << url << " " << action;
    }
  }
}

TEST_F(UrlPolicy, ThePagesOtherActionsKeepTheControlsDefault) {
  for (DWORD action : std::initializer_list<DWORD>{
           URLACTION_ACTIVEX_OVERRIDE_DATA_SAFETY, URLACTION_DOWNLOAD_SIGNED_ACTIVEX,
           URLACTION_SCRIPT_PASTE, URLACTION_CROSS_DOMAIN_DATA, URLACTION_HTML_SUBMIT_FORMS,
           URLACTION_SHELL_FILE_DOWNLOAD, URLACTION_HTML_SUBFRAME_NAVIGATE,
           URLACTION_SCRIPT_NAVIGATE, URLACTION_FEATURE_ZONE_ELEVATION}) {
    DWORD policy;
    EXPECT_EQ(ask(L"file:///C:/Temp/~kx0001/cfadmin/index.html", policy, sizeof(DWORD), action),
              INET_E_DEFAULT_ACTION)
        << action;
    EXPECT_EQ(policy, kUntouched);
  }
}

TEST_F(UrlPolicy, EveryOtherUrlTheWorkspacesOtherFilesIncludedGetsTheControlsDefault) {
  for (const wchar_t* url : std::initializer_list<const wchar_t*>{
           L"file:///C:/Temp/~kx0001/kxenterprise.ini",
           L"file:///C:/Temp/~kx0001/playinst.exe",
           L"file:///C:/Temp/~kx0001/cfadmin/kxenterprise.ini",
           L"file:///C:/Temp/~kx0001/cfadmin/xblib.js",
           L"file:///C:/Temp/~kx0001",
           L"file:///C:/Temp/~kx0001/cfadmin/index.html?x=1",
           L"file:///C:/Temp/~kx0001/cfadmin/index.html.lnk",
           L"file:///C:/Temp/~kx0001/cfadmin/index.html%00.js",
           L"file:///C:/Temp/~kx0001/cfadmin%2Findex.html%5C..%5C..%5Cother/index.html",
           L"file:///C:/Temp/~kx0002/cfadmin/index.html",
           L"file:///D:/Temp/~kx0001/cfadmin/index.html",
           L"file://server/C:/Temp/~kx0001/cfadmin/index.html",
           L"file:///C:/Temp/~kx\u00AD0001/cfadmin/index.html",
           L"file:///C:/Temp/~kx0001/cfadmin/index.h\u200Btml",
           L"http://www.example.com/cfadmin/index.html",
           L"https://C:/Temp/~kx0001/cfadmin/index.html",
           L"about:blank",
           L"javascript:onGenerate()",
           L"C:\\Temp\\~kx0001\\cfadmin\\index.html",
           L"",
           nullptr}) {
    DWORD policy;
    EXPECT_EQ(ask(url, policy), INET_E_DEFAULT_ACTION) << (url ? url : L"(null)");
    EXPECT_EQ(policy, kUntouched);
  }
}

TEST(PageUrl, EscapesAreDecodedInTheCodePageGivenAndShortNamesAreLong) {
  EXPECT_EQ(pathOfFileUrl(L"file:///C:/Temp/a%20%231/%2541%20%C3%A9/x.html", CP_UTF8),
            L"C:\\Temp\\a #1\\%41 \u00E9\\x.html");
  EXPECT_EQ(pathOfFileUrl(L"file:///C:/Temp/%E9t%E9/x.html", 1252),
            L"C:\\Temp\\\u00E9t\u00E9\\x.html");
  EXPECT_EQ(pathOfFileUrl(L"file:///C:/Temp/%E9t%E9/x.html", CP_UTF8), L"");
  EXPECT_EQ(pathOfFileUrl(L"file://server/share/ws/x.html", CP_UTF8),
            L"\\\\server\\share\\ws\\x.html");
  EXPECT_EQ(pathOfFileUrl(L"file:///C:/a?b", CP_UTF8), L"");
  EXPECT_EQ(pathOfFileUrl(L"file:///tmp/a", CP_UTF8), L"");

  // A real Workspace whose folder has a long name, reached through its short name.
  namespace fs = std::filesystem;
  const fs::path workspace = fs::temp_directory_path() / "kx policy workspace with a long name";
  fs::create_directories(workspace / "cfadmin");
  std::ofstream(workspace / "cfadmin" / "index.html") << "page";
  wchar_t shortName[MAX_PATH];
  ASSERT_GT(::GetShortPathNameW(workspace.wstring().c_str(), shortName, MAX_PATH), 0u);
  const std::wstring url = L"file:///" + std::wstring(shortName) + L"/CFADMIN/index.html";
  EXPECT_EQ(isWorkspacePageUrl(url.c_str(), workspace.string().c_str()), 1) << url;
  const std::wstring encoded = L"file:///" + workspace.wstring() + L"/cfadmin/index.html";
  EXPECT_EQ(isWorkspacePageUrl(encoded.c_str(), workspace.string().c_str()), 1);
  fs::remove_all(workspace);
}

TEST_F(UrlPolicy, ABufferTooSmallForThePolicyIsLeftAlone) {
  DWORD policy;
  EXPECT_EQ(ask(L"file://C:/Temp/~kx0001/cfadmin/index.html", policy, 3), S_FALSE);
  EXPECT_EQ(policy, kUntouched);
  EXPECT_EQ(ask(L"http://www.example.com/", policy, 3), INET_E_DEFAULT_ACTION);
  EXPECT_EQ(policy, kUntouched);
}

TEST_F(UrlPolicy, WithoutAWorkspaceNoPageIsOurs) {
  Win32BrowserHost fresh(nullptr, ::GetModuleHandleA(nullptr));
  IInternetSecurityManager* freshManager = nullptr;
  ASSERT_EQ(fresh.site()->QueryInterface(IID_IInternetSecurityManager,
                                         reinterpret_cast<void**>(&freshManager)),
            S_OK);
  DWORD policy = kUntouched;
  EXPECT_EQ(freshManager->ProcessUrlAction(L"file:///C:/index.html", URLACTION_SCRIPT_RUN,
                                           reinterpret_cast<BYTE*>(&policy), sizeof(policy),
                                           nullptr, 0, 0, 0),
            INET_E_DEFAULT_ACTION);
  EXPECT_EQ(policy, kUntouched);
}

TEST_F(UrlPolicy, ZoneAndIdentityQuestionsKeepTheControlsDefaults) {
  DWORD zone = 7;
  EXPECT_EQ(manager->MapUrlToZone(L"file://C:/Temp/~kx0001/cfadmin/index.html", &zone, 0),
            INET_E_DEFAULT_ACTION);
  EXPECT_EQ(zone, 7u);
}

TEST(WorkspaceUrl, TheAddressOfAPageUnderAnAwkwardFolderNameLeadsBackToThePage) {
  char temp[MAX_PATH + 1] = {};
  ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
  // A letter beyond ASCII, as the ANSI code page writes it (left out where it has none).
  char accent[8] = {};
  BOOL lossy = FALSE;
  ::WideCharToMultiByte(CP_ACP, 0, L"\u00e9", 1, accent, sizeof accent - 1, nullptr, &lossy);
  const std::string parent = std::string(temp) + "a #1 %41 " + (lossy ? "" : accent) + "&" +
                             std::to_string(::GetCurrentProcessId());
  const std::string workspace = parent + "\\~kxent";
  ASSERT_TRUE(::CreateDirectoryA(parent.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA(workspace.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA((workspace + "\\cfadmin").c_str(), nullptr));
  const PathName page = PathName(workspace.c_str()).join("cfadmin").join("index.html");
  std::ofstream(page.text()) << "<html></html>";

  const std::string url = page.toFileUrl().text();
  EXPECT_EQ(url.rfind("file:///", 0), 0u) << url;
  EXPECT_NE(url.find("/a%20%231%20%2541%20"), std::string::npos) << url;
  EXPECT_EQ(url.find_first_of(" #?\\"), std::string::npos) << url;
  // The system's own reading of the address is the page's path.
  char back[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH;
  ASSERT_EQ(::PathCreateFromUrlA(url.c_str(), back, &size, 0), S_OK) << url;
  EXPECT_STREQ(back, page.text());
  // The host answers that address as its page's.
  const std::wstring wide(url.begin(), url.end());
  EXPECT_EQ(isWorkspacePageUrl(wide.c_str(), workspace.c_str()), 1) << url;

  std::error_code error;
  std::filesystem::remove_all(parent, error);
}

}  // namespace
