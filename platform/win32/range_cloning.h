#pragma once

#include <algorithm>
#include <cstdint>

namespace platform {

// Copies `size` bytes at `sourceOffset` of one file to `targetOffset` of another, letting the
// file system share the whole clusters it can: a block clone takes only ranges that start and end
// on cluster boundaries in both files, so only when both offsets lie at the same place within a
// cluster of `cluster` bytes (a power of two) does `clone(sourceOffset, targetOffset, count)` get
// the whole clusters in the middle; the bytes before and after them, and everything when nothing
// lines up, go through `copy(sourceOffset, targetOffset, count)`. A clone that fails is made up
// by copying its range, which overwrites whatever the clone left there, and `cloning` is cleared
// so that no clone is tried again for this file. Each call answers 1 on success; so does this.
template <typename Clone, typename Copy>
int copySharingClusters(std::uint64_t sourceOffset, std::uint64_t targetOffset, std::uint64_t size,
                        std::uint64_t cluster, bool& cloning, Clone&& clone, Copy&& copy) {
  std::uint64_t head = size;
  std::uint64_t whole = 0;
  if (cloning && cluster != 0 && (cluster & (cluster - 1)) == 0 &&
      sourceOffset % cluster == targetOffset % cluster) {
    head = std::min(size, (cluster - sourceOffset % cluster) % cluster);
    whole = (size - head) / cluster * cluster;
  }
  if (whole == 0) return size == 0 || copy(sourceOffset, targetOffset, size) ? 1 : 0;
  if (head != 0 && !copy(sourceOffset, targetOffset, head)) return 0;
  sourceOffset += head;
  targetOffset += head;
  if (!clone(sourceOffset, targetOffset, whole)) {
    cloning = false;
    if (!copy(sourceOffset, targetOffset, whole)) return 0;
  }
  const std::uint64_t tail = size - head - whole;
  return tail == 0 || copy(sourceOffset + whole, targetOffset + whole, tail) ? 1 : 0;
}

}  // namespace platform
