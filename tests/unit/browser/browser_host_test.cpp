#include "browser/browser_host.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/path_name.h"

namespace {

// A host without a window: only the portable decisions are under test here.
class HeadlessHost : public BrowserHost {
 protected:
  int createHostWindowImpl() override { return 1; }
  void showAndNavigateImpl(const char*) override {}
  void runMessageLoopImpl() override {}
};

TEST(GenerateLink, FirstTwentyThreeCharactersInAnyCaseRunGeneration) {
  EXPECT_EQ(isGenerateLink("javascript:onGenerate()"), 1);
  EXPECT_EQ(isGenerateLink("JAVASCRIPT:ONGENERATE()"), 1);
  EXPECT_EQ(isGenerateLink("javascript:onGenerate();void(0)"), 1);
  EXPECT_EQ(isGenerateLink("javascript:onGenerate("), 0);
  EXPECT_EQ(isGenerateLink("javascript:onSave()"), 0);
  EXPECT_EQ(isGenerateLink("file:///tmp/~kxent/cfadmin/index.html"), 0);
  EXPECT_EQ(isGenerateLink(" javascript:onGenerate()"), 0);
  EXPECT_EQ(isGenerateLink(""), 0);
  EXPECT_EQ(isGenerateLink(nullptr), 0);
}

TEST(HostGeometry, TwoThirdsOfTheScreenOneSixthIn) {
  struct Case {
    int w, h;
    BrowserHost::Geometry expected;
  } cases[] = {{1024, 768, {170, 128, 682, 512}},
               {1920, 1080, {320, 180, 1280, 720}},
               {1280, 1024, {213, 170, 853, 682}}};
  for (const auto& c : cases) {
    const auto g = BrowserHost::geometryForScreen(c.w, c.h);
    EXPECT_EQ(g.x, c.expected.x) << c.w;
    EXPECT_EQ(g.y, c.expected.y) << c.w;
    EXPECT_EQ(g.width, c.expected.width) << c.w;
    EXPECT_EQ(g.height, c.expected.height) << c.w;
  }
}

TEST(HostTexts, TextsLongerThan255CharactersAreRefusedWithoutOverflow) {
  HeadlessHost host;
  EXPECT_STREQ(host.pageUrl(), "");
  EXPECT_EQ(host.setPageUrl("file:///tmp/x/index.html"), 1);
  EXPECT_EQ(host.setWorkspacePath(std::string(255, 'w').c_str()), 1);
  EXPECT_EQ(host.setPageUrl(std::string(256, 'u').c_str()), 0);
  EXPECT_STREQ(host.pageUrl(), "file:///tmp/x/index.html");
  EXPECT_EQ(std::string(host.workspacePath()), std::string(255, 'w'));
}

TEST(HostNavigation, GenerationRunsOnlyForTheGenerateLinkAndNothingIsCancelled) {
  HeadlessHost host;
  int runs = 0;
  host.setGenerateHandler([&runs] { ++runs; });
  host.onBeforeNavigate("file:///tmp/index.html");
  host.onBeforeNavigate("about:blank");
  EXPECT_EQ(runs, 0);
  host.onBeforeNavigate("javascript:onGenerate()");
  EXPECT_EQ(runs, 1);
  host.onBeforeNavigate("javascript:ONGENERATE()x");
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(host.onNewWindow(), 1);
  EXPECT_EQ(host.onNavigateError(), 0);
}

TEST(HostTexts, TheWindowTitleNamesTheInstallerBeforeTheProgram) {
  HeadlessHost host;
  EXPECT_EQ(host.windowTitleFor("Kestrix Enterprise Configuration Tool"),
            "Kestrix Enterprise Configuration Tool");
  host.setInstallerName("setup.exe");
  EXPECT_EQ(host.windowTitleFor("Kestrix Enterprise Configuration Tool"),
            "setup.exe - Kestrix Enterprise Configuration Tool");
}

TEST(HostClose, OnlyUnsavedEditsAskAndTheAnswerDecides) {
  using Edits = BrowserHost::PageEdits;
  HeadlessHost host;
  // Without a question (no one to ask) every page closes.
  EXPECT_EQ(host.mayClose(Edits::kUnsaved), 1);
  int asked = 0;
  int answer = 0;
  host.setCloseQuestion([&] { return ++asked, answer; });
  EXPECT_EQ(host.mayClose(Edits::kNone), 1);
  EXPECT_EQ(host.mayClose(Edits::kUnknown), 1) << "a page without the function closes as before";
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(host.mayClose(Edits::kUnsaved), 0);
  answer = 1;
  EXPECT_EQ(host.mayClose(Edits::kUnsaved), 1);
  EXPECT_EQ(asked, 2);
}

TEST(HostNavigation, APageThatCannotBeShownIsReportedWithItsPathAndTheReason) {
  HeadlessHost host;
  ASSERT_EQ(host.setWorkspacePath("/tmp/a #1/~kxent"), 1);
  const std::string page = PathName("/tmp/a #1/~kxent").join("cfadmin").join("index.html").text();
  const std::string message = host.pageLoadFailureMessage("File not found");
  EXPECT_NE(message.find(page), std::string::npos) << message;
  EXPECT_NE(message.find("File not found"), std::string::npos) << message;
}

class HostFileWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    workspace_ =
        std::filesystem::temp_directory_path() /
        ("kx-host-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(workspace_);
    std::filesystem::create_directories(workspace_ / "cfadmin");
    ASSERT_EQ(host_.setWorkspacePath(workspace_.string().c_str()), 1);
    host_.setGenerateHandler([this] { ++runs_; });
  }
  void TearDown() override { std::filesystem::remove_all(workspace_); }
  std::string read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::filesystem::path workspace_;
  HeadlessHost host_;
  int runs_ = 0;
};

TEST_F(HostFileWriteTest, WritesBesideThePageWithALineEndThenGenerates) {
  EXPECT_EQ(host_.onWriteFile("kxenterprise.ini", "[setup]\r\nInstallMode=2"), 1);
  EXPECT_EQ(read(workspace_ / "cfadmin" / "kxenterprise.ini"), "[setup]\r\nInstallMode=2\r\n");
  host_.onBeforeNavigate("javascript:onGenerate()");
  EXPECT_EQ(runs_, 1);
}

TEST_F(HostFileWriteTest, AFailedWriteSkipsTheNextGenerationOnly) {
  std::filesystem::remove_all(workspace_ / "cfadmin");
  EXPECT_EQ(host_.onWriteFile("kxenterprise.ini", "x"), 0);
  EXPECT_NE(host_.lastWriteFailure().find("cfadmin"), std::string::npos)
      << host_.lastWriteFailure();
  host_.onBeforeNavigate("javascript:onGenerate()");
  EXPECT_EQ(runs_, 0);
  host_.onBeforeNavigate("javascript:onGenerate()");
  EXPECT_EQ(runs_, 1);
}

TEST_F(HostFileWriteTest, NamesThatLeaveThePageFolderAreRefused) {
  for (const char* name : {"../escape.ini", "..", "sub/x.ini", "a\\b.ini", "", "C:x.ini"}) {
    EXPECT_EQ(host_.onWriteFile(name, "x"), 0) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(workspace_ / "escape.ini"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(workspace_ / "cfadmin"),
                          std::filesystem::directory_iterator()),
            0);
}

}  // namespace
