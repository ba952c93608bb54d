#pragma once

// A full disk, stood in for by a limit on the size of the files a process may write. The limit
// applies to a forked child only, so that the test program itself keeps writing its report.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <functional>

namespace test_support {

// Runs `body` in a child whose writes beyond `limit` bytes fail with EFBIG (SIGXFSZ ignored) and
// answers what it returned (0..255), or -1 when the child did not end normally.
inline int runWithFileSizeLimit(std::uint64_t limit, const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit bound {};
    ::getrlimit(RLIMIT_FSIZE, &bound);
    bound.rlim_cur = static_cast<rlim_t>(limit);
    if (::setrlimit(RLIMIT_FSIZE, &bound) != 0) ::_exit(254);
    ::_exit(body() & 0xFF);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace test_support
