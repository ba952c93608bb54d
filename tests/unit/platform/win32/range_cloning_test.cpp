#include "platform/win32/range_cloning.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// Two files in memory; clones are checked for the alignment the file system demands.
struct Files {
  std::string source;
  std::string target;
  std::uint64_t cluster;
  std::uint64_t cloned = 0;
  int clones = 0;
  bool cloneFails = false;

  Files(std::uint64_t size, std::uint64_t clusterSize) : target(size, '\0'), cluster(clusterSize) {
    for (std::uint64_t i = 0; i < size; ++i) source += static_cast<char>((i * 7919u) >> 3);
  }
  int copy(std::uint64_t in, std::uint64_t out, std::uint64_t n) {
    EXPECT_GT(n, 0u);
    target.replace(out, n, source, in, n);
    return 1;
  }
  int clone(std::uint64_t in, std::uint64_t out, std::uint64_t n) {
    EXPECT_EQ(in % cluster, 0u);
    EXPECT_EQ(out % cluster, 0u);
    EXPECT_EQ(n % cluster, 0u);
    EXPECT_GT(n, 0u);
    ++clones;
    if (cloneFails) {
      target.replace(out, n, n, 'x');  // whatever a failed clone leaves behind
      return 0;
    }
    cloned += n;
    return copy(in, out, n);
  }
  int run(std::uint64_t in, std::uint64_t out, std::uint64_t n, bool& cloning) {
    return platform::copySharingClusters(
        in, out, n, cluster, cloning,
        [&](std::uint64_t a, std::uint64_t b, std::uint64_t c) { return clone(a, b, c); },
        [&](std::uint64_t a, std::uint64_t b, std::uint64_t c) { return copy(a, b, c); });
  }
};

TEST(RangeCloning, OnlyWholeClustersAtTheSamePlaceInBothFilesAreShared) {
  struct Case {
    std::uint64_t in, out, size, cluster, cloned;
  };
  const Case cases[] = {
      {0, 0, 3 * 4096, 4096, 3 * 4096},             // all of it
      {100, 100, 10000, 4096, 4096},                // a head and a tail around one cluster
      {4096, 8192, 2 * 4096 + 1, 4096, 8192},       // aligned in both, a byte left over
      {65536 + 7, 7, 4 * 65536, 65536, 3 * 65536},  // the same place within a 64 KiB cluster
      {100, 612, 20000, 4096, 0},                   // not at the same place: all copied
      {100, 100, 3000, 4096, 0},                    // no whole cluster inside
      {0, 0, 4095, 4096, 0},
      {0, 0, 8192, 0, 0},     // no cluster size known
      {0, 0, 8192, 3000, 0},  // not a power of two
      {5, 5, 0, 4096, 0},
  };
  for (const Case& c : cases) {
    Files files(400000, c.cluster);
    bool cloning = true;
    EXPECT_EQ(files.run(c.in, c.out, c.size, cloning), 1);
    EXPECT_EQ(files.cloned, c.cloned) << c.in << " -> " << c.out << ", " << c.size;
    EXPECT_TRUE(files.target.substr(c.out, c.size) == files.source.substr(c.in, c.size));
    EXPECT_EQ(files.target.find_first_not_of('\0', c.out + c.size), std::string::npos);
    EXPECT_TRUE(cloning);
  }
}

TEST(RangeCloning, AFailedCloneIsCopiedOverAndNoCloneIsTriedAgain) {
  Files files(300000, 4096);
  files.cloneFails = true;
  bool cloning = true;
  ASSERT_EQ(files.run(100, 100, 50000, cloning), 1);
  EXPECT_FALSE(cloning);
  EXPECT_TRUE(files.target.substr(100, 50000) == files.source.substr(100, 50000));
  ASSERT_EQ(files.run(60000, 60000, 50000, cloning), 1);
  EXPECT_EQ(files.clones, 1) << "after a failure every range is copied";
  EXPECT_TRUE(files.target.substr(60000, 50000) == files.source.substr(60000, 50000));

  // A copy that fails fails the whole range.
  bool stillCloning = true;
  EXPECT_EQ(
      platform::copySharingClusters(
          0, 0, 8192 + 1, 4096, stillCloning, [](auto...) { return 1; }, [](auto...) { return 0; }),
      0);
}

}  // namespace
