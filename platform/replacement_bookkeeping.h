#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace platform {

// What a ReplacementFile keeps besides its handle, the same on every platform: which file it
// replaces, the temporary file it writes, how much it wrote, and why it failed. After a failure
// nothing more is written and nothing is committed.
struct ReplacementBookkeeping {
  std::string target;
  std::string temporary;
  std::string failure;
  std::uint64_t size = 0;
  // Zeros appended after the last bytes written, which the file does not reach yet.
  bool zerosPending = false;
  bool broken = false;

  int fail(std::string why) {
    failure = std::move(why);
    broken = true;
    return 0;
  }

  // Starts over for a new target; 0 (a failure) when no name is given.
  int restart(const char* name) {
    failure.clear();
    broken = false;
    zerosPending = false;
    size = 0;
    if (name == nullptr || *name == '\0') return fail("No file name was given");
    return 1;
  }

  // Whether more bytes may be written to the file the backend holds open (`open`).
  bool writable(bool open) const { return open && !broken; }

  // Whether `count` bytes at `offset` lie within what was written so far.
  bool withinWritten(std::uint64_t offset, std::size_t count) const {
    return offset <= size && size - offset >= count;
  }

  // Whether commit may go on; when not, the failure says so unless an earlier one already does.
  int mayCommit(bool open) {
    if (writable(open)) return 1;
    if (failure.empty()) failure = "No file was opened for writing";
    return 0;
  }
};

}  // namespace platform
