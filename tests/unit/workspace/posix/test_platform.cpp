#include "tests/unit/workspace/test_platform.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace test_platform {

void setEnvironment(const char* name, const char* value) {
  if (value != nullptr) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
}

bool makeFolderLink(const std::string& link, const std::string& target) {
  return ::symlink(target.c_str(), link.c_str()) == 0;
}

bool makeFileLink(const std::string& link, const std::string& target) {
  return ::symlink(target.c_str(), link.c_str()) == 0;
}

struct RefusedEntry::State {
  std::string folder;
};

RefusedEntry::RefusedEntry(const std::string& path) : state_(std::make_unique<State>()) {
  state_->folder = path.substr(0, path.rfind('/'));
  ::chmod(state_->folder.c_str(), 0555);
}

RefusedEntry::~RefusedEntry() { ::chmod(state_->folder.c_str(), 0755); }

void runAsOrdinaryUser(const std::function<void()>& body) {
  if (::geteuid() != 0) {
    body();
    return;
  }
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const gid_t nobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0) _exit(2);
    body();
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the unprivileged part of the test failed (see above)";
}

struct RivalCreator::State {
  pid_t child = -1;
};

RivalCreator::RivalCreator(const std::string& folder, const std::vector<std::string>& names)
    : state_(std::make_unique<State>()) {
  // Everyone may add entries, as in /tmp, so that the rival can work there under its own id.
  ::chmod(folder.c_str(), 01777);
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(folder + "/" + name);
  state_->child = ::fork();
  if (state_->child != 0) return;
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::geteuid() == 0) {
    const gid_t nobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0) _exit(2);
  }
  for (;;) {
    for (const std::string& path : paths) ::mkdir(path.c_str(), 0755);
    for (const std::string& path : paths) ::rmdir(path.c_str());
  }
}

RivalCreator::~RivalCreator() {
  if (state_->child <= 0) return;
  ::kill(state_->child, SIGKILL);
  ::waitpid(state_->child, nullptr, 0);
}

bool RivalCreator::isOurPrivateFolder(const std::string& path) const {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 07777) == 0700;
}

std::string makeScratchFolder() {
  // /tmp itself, not TMPDIR: an unprivileged child must be able to write here too.
  char pattern[] = "/tmp/kx-workspace-test-XXXXXX";
  const char* made = ::mkdtemp(pattern);
  return made != nullptr ? std::string(made) : std::string();
}

}  // namespace test_platform
