// Unpacking when the disk refuses bytes: the file-size limit stands in for a full disk.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/unit/workspace/workspace_fixture.h"
#include "workspace/archive_unpacker.h"

namespace {

using ArchiveWriteErrorTest = ScratchTest;

TEST_F(ArchiveWriteErrorTest, AFailedWriteLeavesNoFileAndIsReported) {
  const std::string archive = joinPath(scratch(), "site.zip");
  ASSERT_TRUE(
      ZipBuilder().file("big.js", std::string(100000, 'b')).file("after.txt", "a").write(archive));
  const std::string out = joinPath(scratch(), "out");
  makeFolder(out);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit limit{20000, 20000};
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(unpackArchive(archive.c_str(), out.c_str()) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported as success";
  EXPECT_FALSE(pathExists(joinPath(out, "big.js")));
  EXPECT_EQ(readFile(joinPath(out, "after.txt")), "a");
}

}  // namespace
