// Which pages the host lets do everything: only its own page, the file URLs inside the Workspace.
// Every other URL keeps the control's own zone rules.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

#include "base/path_name.h"
#include "browser/win32/win32_browser_host.h"
#include "browser/win32/workspace_url.h"

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

  HRESULT ask(const wchar_t* url, DWORD& policy, DWORD size = sizeof(DWORD)) {
    policy = kUntouched;
    return manager->ProcessUrlAction(url, URLACTION_ACTIVEX_RUN, reinterpret_cast<BYTE*>(&policy),
                                     size, nullptr, 0, PUAF_DEFAULT, 0);
  }
};

TEST_F(UrlPolicy, OurOwnPageMayDoEverything) {
  for (const wchar_t* url :
       {L"file://C:/Temp/~kx0001/cfadmin/index.html", L"file:///c:/temp/~KX0001/cfadmin/index.html",
        L"FILE:///C:\\Temp\\~kx0001\\cfadmin\\js\\page.js",
        L"file:///C:/Temp/~kx0001/cfadmin/my%20page.html#top", L"file://C:/Temp/~kx0001"}) {
    DWORD policy;
    EXPECT_EQ(ask(url, policy), S_OK) << url;
    EXPECT_EQ(policy, static_cast<DWORD>(URLPOLICY_ALLOW)) << url;
  }
}

TEST_F(UrlPolicy, EveryOtherUrlGetsTheControlsDefault) {
  for (const wchar_t* url : std::initializer_list<const wchar_t*>{
           L"http://www.example.com/cfadmin/index.html",
           L"https://C:/Temp/~kx0001/cfadmin/index.html", L"about:blank",
           L"javascript:onGenerate()", L"C:\\Temp\\~kx0001\\cfadmin\\index.html",
           L"file://C:/Temp/~kx00012/index.html", L"file://C:/Temp/index.html",
           L"file://D:/Temp/~kx0001/index.html", L"file://C:/Temp/~kx0001/../~kx0002/index.html",
           L"file://C:/Temp/~kx0001/cfadmin/%2E%2E/%2e%2e/secret.html",
           L"file://C:/Temp/~kx0001/..%5C..%5Cother.html", L"file://C:/Temp/~kx0001/.../x.html",
           L"file://C:/Temp/~kx0001/cfadmin%00/index.html", L"", nullptr}) {
    DWORD policy;
    EXPECT_EQ(ask(url, policy), INET_E_DEFAULT_ACTION) << (url ? url : L"(null)");
    EXPECT_EQ(policy, kUntouched);
  }
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

TEST(WorkspaceUrl, WorkspaceWrittenWithTrailingOrForwardSeparatorsOrAsAShare) {
  EXPECT_EQ(isInsideWorkspaceUrl("file://C:/Temp/ws/index.html", "C:\\Temp\\ws\\"), 1);
  EXPECT_EQ(isInsideWorkspaceUrl("file://C:/Temp/ws/index.html", "C:/Temp/ws"), 1);
  EXPECT_EQ(isInsideWorkspaceUrl("file://server/share/ws/a.html", "\\\\server\\share\\ws"), 1);
  EXPECT_EQ(isInsideWorkspaceUrl("file://server/share/other/a.html", "\\\\server\\share\\ws"), 0);
  EXPECT_EQ(isInsideWorkspaceUrl("file://C:/Temp/ws/index.html", ""), 0);
  EXPECT_EQ(isInsideWorkspaceUrl("file://C:/Temp/ws/index.html", "\\"), 0);
  // A query is not part of the file's path, so steps in it do not move the page.
  EXPECT_EQ(isInsideWorkspaceUrl("file://C:/Temp/ws/index.html?a=../..", "C:\\Temp\\ws"), 1);
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
  EXPECT_EQ(isInsideWorkspaceUrl(url.c_str(), workspace.c_str()), 1) << url;

  std::error_code error;
  std::filesystem::remove_all(parent, error);
}

}  // namespace
