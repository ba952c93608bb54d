// Whole-file copies as import and generation make them (platform::copyFile), timed in the
// program itself: `copy_file SOURCE TARGET [ROUNDS]` prints each round's wall seconds and the
// median. It needs nothing but the platform layer, so that it can be built for Windows by hand
// against any commit's platform/ (see docs/performance.md).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/file_io.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: copy_file SOURCE TARGET [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  std::vector<double> seconds;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    std::string reason;
    if (!platform::copyFile(argv[1], argv[2], &reason)) {
      std::fprintf(stderr, "%s\n", reason.c_str());
      return 1;
    }
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    std::printf("round %d: %.3f s\n", round + 1, seconds.back());
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("median: %.3f s\n", seconds[seconds.size() / 2]);
  return 0;
}
