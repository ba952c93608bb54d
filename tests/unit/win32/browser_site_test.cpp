// The host's COM identity and its answers to the control: one QueryInterface table for all six
// interfaces, the security manager reached through QueryService, and the site's out-parameters.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "browser/win32/win32_browser_host.h"

namespace {

void* const kGarbage = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xDEADBEEF));

struct Fixture : ::testing::Test {
  Win32BrowserHost host{nullptr, ::GetModuleHandleA(nullptr)};

  template <class T>
  T* query(IUnknown* from, REFIID iid) {
    void* out = kGarbage;
    EXPECT_EQ(from->QueryInterface(iid, &out), S_OK);
    return static_cast<T*>(out);
  }
};

using SiteIdentity = Fixture;

TEST_F(SiteIdentity, EveryInterfaceAnswersFromTheSameTable) {
  IUnknown* primary = host.site();
  IServiceProvider* services = query<IServiceProvider>(primary, IID_IServiceProvider);
  ASSERT_EQ(static_cast<IUnknown*>(services), primary);

  // Whichever interface is asked, each id leads to the same interface of the same object.
  const std::vector<IUnknown*> everyInterface = {
      primary,
      query<IUnknown>(primary, IID_IOleClientSite),
      query<IUnknown>(primary, IID_IDocHostUIHandler),
      query<IUnknown>(primary, IID_IOleInPlaceSite),
      query<IUnknown>(primary, IID_IInternetSecurityManager),
      query<IUnknown>(primary, DIID_DWebBrowserEvents2),
  };
  const IID ids[] = {IID_IUnknown,        IID_IOleClientSite,           IID_IDocHostUIHandler,
                     IID_IOleInPlaceSite, IID_IInternetSecurityManager, DIID_DWebBrowserEvents2,
                     IID_IServiceProvider};
  for (IUnknown* from : everyInterface) {
    ASSERT_NE(from, nullptr);
    for (std::size_t i = 0; i < std::size(ids); ++i) {
      void* viaFrom = kGarbage;
      void* viaPrimary = kGarbage;
      EXPECT_EQ(from->QueryInterface(ids[i], &viaFrom), S_OK) << i;
      EXPECT_EQ(primary->QueryInterface(ids[i], &viaPrimary), S_OK) << i;
      EXPECT_EQ(viaFrom, viaPrimary) << i;
    }
  }
  // The interfaces of the table are six distinct ones.
  for (std::size_t i = 0; i < everyInterface.size(); ++i) {
    for (std::size_t j = i + 1; j < everyInterface.size(); ++j) {
      EXPECT_NE(everyInterface[i], everyInterface[j]) << i << "," << j;
    }
  }
}

TEST_F(SiteIdentity, UnofferedInterfacesAreRefusedWithTheOutPointerCleared) {
  IUnknown* sink = query<IUnknown>(host.site(), DIID_DWebBrowserEvents2);
  IUnknown* inPlace = query<IUnknown>(host.site(), IID_IOleInPlaceSite);
  // The event sink is an IDispatch and the in-place site an IOleWindow, yet neither is offered.
  for (IUnknown* from : {host.site(), sink, inPlace}) {
    for (REFIID iid : {IID_IDispatch, IID_IOleWindow, IID_IWebBrowser2, IID_IOleObject}) {
      void* out = kGarbage;
      EXPECT_EQ(from->QueryInterface(iid, &out), E_NOINTERFACE);
      EXPECT_EQ(out, nullptr);
    }
  }
}

TEST_F(SiteIdentity, ReferencesAreCountedOnlyBySuccessfulQueriesAndGovernNothing) {
  const LONG start = host.referenceCount();
  EXPECT_EQ(start, 1);
  IUnknown* clientSite = query<IUnknown>(host.site(), IID_IOleClientSite);
  void* out = nullptr;
  host.site()->QueryInterface(IID_IDispatch, &out);
  EXPECT_EQ(host.referenceCount(), start + 1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(clientSite->AddRef(), 1u);
    EXPECT_EQ(clientSite->Release(), 0u);
    EXPECT_EQ(host.site()->Release(), 0u);
  }
  EXPECT_EQ(host.referenceCount(), start + 1);
  // Still usable after more releases than references: the control never frees the host.
  EXPECT_NE(query<IUnknown>(clientSite, IID_IDocHostUIHandler), nullptr);
}

TEST_F(SiteIdentity, QueryServiceGivesOnlyTheSecurityManager) {
  auto* services = query<IServiceProvider>(host.site(), IID_IServiceProvider);
  void* manager = kGarbage;
  ASSERT_EQ(
      services->QueryService(SID_SInternetSecurityManager, IID_IInternetSecurityManager, &manager),
      S_OK);
  EXPECT_EQ(manager, query<void>(host.site(), IID_IInternetSecurityManager));

  struct Request {
    GUID service;
    IID iid;
  } refused[] = {{SID_SInternetSecurityManager, IID_IUnknown},
                 {SID_SInternetSecurityManager, IID_IOleClientSite},
                 {IID_IOleClientSite, IID_IOleClientSite},
                 {IID_IWebBrowserApp, IID_IWebBrowser2}};
  for (const Request& r : refused) {
    void* out = kGarbage;
    EXPECT_EQ(services->QueryService(r.service, r.iid, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
  }
}

TEST_F(SiteIdentity, InPlaceSiteGivesItsWindowAndAnEmptyContext) {
  auto* site = query<IOleInPlaceSite>(host.site(), IID_IOleInPlaceSite);
  HWND window = reinterpret_cast<HWND>(kGarbage);
  EXPECT_EQ(site->GetWindow(&window), S_OK);
  EXPECT_EQ(window, host.hostWindow());

  auto* frame = reinterpret_cast<IOleInPlaceFrame*>(kGarbage);
  auto* document = reinterpret_cast<IOleInPlaceUIWindow*>(kGarbage);
  RECT position = {1, 2, 3, 4};
  RECT clip = {5, 6, 7, 8};
  OLEINPLACEFRAMEINFO info;
  std::memset(&info, 0xCD, sizeof(info));
  info.cb = sizeof(info);
  EXPECT_EQ(site->GetWindowContext(&frame, &document, &position, &clip, &info), S_OK);
  EXPECT_EQ(frame, nullptr);
  EXPECT_EQ(document, nullptr);
  EXPECT_TRUE(::IsRectEmpty(&position) && position.left == 0 && position.top == 0);
  EXPECT_TRUE(::IsRectEmpty(&clip) && clip.left == 0 && clip.top == 0);
  EXPECT_EQ(info.cb, sizeof(info));
  EXPECT_EQ(info.fMDIApp, FALSE);
  EXPECT_EQ(info.hwndFrame, nullptr);
  EXPECT_EQ(info.haccel, nullptr);
  EXPECT_EQ(info.cAccelEntries, 0u);
}

TEST_F(SiteIdentity, ContextMenusAreSuppressedAndThePageHasNoExternalObject) {
  auto* ui = query<IDocHostUIHandler>(host.site(), IID_IDocHostUIHandler);
  POINT at = {10, 10};
  EXPECT_EQ(ui->ShowContextMenu(0, &at, nullptr, nullptr), S_OK);
  IDispatch* external = reinterpret_cast<IDispatch*>(kGarbage);
  EXPECT_EQ(ui->GetExternal(&external), E_NOTIMPL);
  EXPECT_EQ(external, nullptr);
}

TEST_F(SiteIdentity, KeyboardForwardingDeclinesEverythingWithoutAControl) {
  MSG tab = {};
  tab.message = WM_KEYDOWN;
  tab.wParam = VK_TAB;
  EXPECT_EQ(host.forwardKeyboardMessage(tab), E_FAIL);
}

}  // namespace
