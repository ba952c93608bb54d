#include "workspace/workspace_preparation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/worker_thread.h"
#include "tests/unit/workspace/test_platform.h"
#include "tests/unit/workspace/workspace_fixture.h"
#include "workspace/embedded_resources.h"

#if KX_HAVE_SITE_ARCHIVE
std::span<const EmbeddedResource> siteArchiveResources();
#endif

namespace {

// Every candidate name in the order tried.
std::vector<std::string> candidateNames() {
  std::vector<std::string> names{"~kxent"};
  for (int i = 0; i < 10; ++i) names.push_back("~kxen" + std::to_string(i));
  for (int i = 10; i < 100; ++i) names.push_back("~kxe" + std::to_string(i));
  for (int i = 100; i < 999; ++i) names.push_back("~kx" + std::to_string(i));
  return names;
}

class WorkspacePreparationTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    ASSERT_TRUE(ZipBuilder()
                    .folder("cfadmin/")
                    .file("cfadmin/index.html", "<script>var serverData=[];</script>")
                    .folder("cfadmin/images/")
                    .file("cfadmin/images/spacer.gif", "GIF89a")
                    .write(joinPath(scratch(), "fixture.zip")));
    archive_ = readFile(joinPath(scratch(), "fixture.zip"));
    table_ = {{"BINARY", "ARCHIVE", reinterpret_cast<const unsigned char*>(archive_.data()),
               archive_.size()},
              {"Binary", "EMPTY", nullptr, 0}};
  }

  // Prepares on the worker thread, as start-up does, and gives the Workspace path.
  std::string prepare(ResourceSource& resources) {
    platform::WorkerThread worker(
        [&] { prepareWorkspace(workspace_, resources, platform::programModule()); });
    worker.wait();
    return workspace_.path().text();
  }

  std::string prepare() {
    EmbeddedResources resources(table_);
    return prepare(resources);
  }

  FolderObject workspace_;
  std::string archive_;
  std::vector<EmbeddedResource> table_;
};

TEST_F(WorkspacePreparationTest, AFreeTemporaryFolderGivesTheBaseName) {
  EXPECT_EQ(prepare(), joinPath(scratch(), "~kxent"));
  EXPECT_EQ(workspace_.exists(), 1);
}

TEST_F(WorkspacePreparationTest, AnEmptyLeftoverIsReused) {
  makeFolder(joinPath(scratch(), "~kxent"));
  EXPECT_EQ(prepare(), joinPath(scratch(), "~kxent"));
}

TEST_F(WorkspacePreparationTest, LeftoversWithContentsOrFilesArePassedOver) {
  makeFolder(joinPath(scratch(), "~kxent"));
  writeFile(joinPath(joinPath(scratch(), "~kxent"), "left.txt"), "l");
  EXPECT_EQ(prepare(), joinPath(scratch(), "~kxen0"));
  EXPECT_TRUE(isFile(joinPath(joinPath(scratch(), "~kxent"), "left.txt")));
}

TEST_F(WorkspacePreparationTest, AFileWithTheBaseNameIsPassedOver) {
  writeFile(joinPath(scratch(), "~kxent"), "not a folder");
  EXPECT_EQ(prepare(), joinPath(scratch(), "~kxen0"));
}

TEST_F(WorkspacePreparationTest, NumbersOverwriteTheTailOfTheName) {
  const std::vector<std::string> names = candidateNames();
  for (int i = 0; i < 11; ++i) writeFile(joinPath(scratch(), names[i]), "taken");
  EXPECT_EQ(prepare(), joinPath(scratch(), "~kxe10"));
  // That Workspace now holds the site; with ~kxe11 to ~kxe99 taken as well, ~kx100 is next.
  for (int i = 12; i < 101; ++i) writeFile(joinPath(scratch(), names[i]), "taken");
  EXPECT_EQ(prepare(), joinPath(scratch(), "~kx100"));
}

TEST_F(WorkspacePreparationTest, WhenEveryNameIsTakenThereIsNoWorkspace) {
  for (const std::string& name : candidateNames()) writeFile(joinPath(scratch(), name), "taken");
  EXPECT_EQ(prepare(), "");
  EXPECT_EQ(workspace_.exists(), 0);
  EXPECT_FALSE(pathExists(joinPath(scratch(), "~kx999")));
}

TEST_F(WorkspacePreparationTest, AFolderSomeoneElseMakesMeanwhileIsNeverAdopted) {
  std::vector<std::string> names = candidateNames();
  names.resize(12);
  std::vector<EmbeddedResource> nothing;
  EmbeddedResources noArchive(nothing);
  test_platform::RivalCreator rival(scratch(), names);
  for (int run = 0; run < 200; ++run) {
    const std::string path = prepare(noArchive);
    ASSERT_FALSE(path.empty()) << "run " << run;
    ASSERT_TRUE(rival.isOurPrivateFolder(path)) << "run " << run << ": " << path;
    ASSERT_EQ(workspace_.removeTree(1), 1);
  }
}

TEST_F(WorkspacePreparationTest, ExtractionNeedsAResourceWithBytes) {
  workspace_.setPath(scratch().c_str());
  EmbeddedResources resources(table_);
  EXPECT_EQ(extractResourceToWorkspace(workspace_, resources, "Binary", "MISSING", "m.bin"), 0);
  EXPECT_FALSE(pathExists(joinPath(scratch(), "m.bin")));
  EXPECT_EQ(extractResourceToWorkspace(workspace_, resources, "Binary", "EMPTY", "e.bin"), 0);
  EXPECT_FALSE(pathExists(joinPath(scratch(), "e.bin")));

  writeFile(joinPath(scratch(), "a.zip"), std::string(archive_.size() * 2, 'o'));
  EXPECT_EQ(extractResourceToWorkspace(workspace_, resources, "binary", "archive", "a.zip"), 1);
  EXPECT_EQ(readFile(joinPath(scratch(), "a.zip")), archive_);
}

TEST_F(WorkspacePreparationTest, TheArchiveIsUnpackedIntoTheWorkspace) {
  const std::string workspace = prepare();
  EXPECT_EQ(readFile(joinPath(workspace, "cfadmin.zip")), archive_);
  EXPECT_EQ(readFile(joinPath(joinPath(workspace, "cfadmin"), "index.html")),
            "<script>var serverData=[];</script>");
  EXPECT_TRUE(isFolder(joinPath(joinPath(workspace, "cfadmin"), "images")));
  EXPECT_EQ(workspace_.removeTree(1), 1);
  EXPECT_FALSE(pathExists(workspace));
}

TEST_F(WorkspacePreparationTest, WithoutAnArchiveTheWorkspaceStaysEmpty) {
  std::vector<EmbeddedResource> none;
  EmbeddedResources resources(none);
  const std::string workspace = prepare(resources);
  EXPECT_EQ(workspace_.exists(), 1);
  EXPECT_FALSE(pathExists(joinPath(workspace, "cfadmin.zip")));
  EXPECT_FALSE(pathExists(joinPath(workspace, "cfadmin")));
}

#if KX_HAVE_SITE_ARCHIVE
TEST_F(WorkspacePreparationTest, TheProgramsSiteArchiveUnpacksToThePage) {
  EmbeddedResources resources(siteArchiveResources());
  std::vector<unsigned char> bytes;
  ASSERT_EQ(resources.loadResource("Binary", "ARCHIVE", bytes), 1);
  const std::string workspace = prepare(resources);
  EXPECT_EQ(readFile(joinPath(workspace, "cfadmin.zip")), std::string(bytes.begin(), bytes.end()));
  const std::string site = joinPath(workspace, "cfadmin");
  EXPECT_TRUE(isFile(joinPath(site, "index.html")));
  // The catalogue script is generated by the build, not kept beside the page's other files.
  EXPECT_TRUE(isFile(joinPath(site, "catalogue.js")));
  EXPECT_TRUE(isFile(joinPath(site, "rules.js")));
  EXPECT_TRUE(isFolder(joinPath(site, "images")));
  EXPECT_FALSE(pathExists(joinPath(site, "CVS")));
  EXPECT_FALSE(pathExists(joinPath(joinPath(site, "images"), "Thumbs.db")));
  EXPECT_EQ(workspace_.removeTree(1), 1);
}
#endif

}  // namespace
