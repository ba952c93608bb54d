#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace platform {

// New contents for a file that take its place in one step, or not at all. The bytes go to a
// temporary file created exclusively, under an unpredictable name, in the folder of the target
// (of its final target when the target is a symbolic link, so that the link stays and what it
// points to is replaced); nothing is ever opened through a link planted at that name. `commit`
// flushes the file, gives it the target's permissions (never setuid or setgid), owner where
// allowed and extended attributes (on Windows its security descriptor and attributes), renames it
// over the target and flushes the folder. Until then the target keeps its old contents, and the
// temporary file is removed on every path that does not commit.
//
// Each operation answers 1 on success and 0 on failure; `failure()` then says why, naming the
// file and giving the system's own words.
class ReplacementFile {
 public:
  ReplacementFile();
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the temporary file for `target`. A target that exists must be a regular file.
  int open(const char* target);
  // Creates the temporary file for `target` holding every byte of the regular file `source`, as
  // `open` and `copyFrom` would: nothing else of the source (attributes, times, named streams,
  // encryption) comes with it. The system makes the copy where it can (CopyFileEx on Windows,
  // which shares blocks on file systems that can; copy_file_range on Linux). A source that cannot
  // be read whole is a failure.
  int openCopyOf(const char* source, const char* target);
  // Appends all `size` bytes; a short write is a failure.
  int write(const void* data, std::size_t size);
  // Appends `size` bytes of the open file `source`, starting at `offset`. The system copies them
  // without passing them through the program where it can (copy_file_range on Linux, which also
  // shares blocks on file systems that can; block cloning on Windows volumes that can); the
  // position `source` reads from afterwards is unspecified. A source shorter than asked is a
  // failure.
  int copyFrom(std::FILE* source, std::uint64_t offset, std::uint64_t size);
  // Appends `size` zero bytes without writing them: the next bytes are written past them (a hole
  // where the file system keeps holes), or the file is extended over them by `complete` or
  // `commit`. Padding costs no buffer and no call to the system.
  int appendZeros(std::uint64_t size);
  // Gives the file all of its length, zeros appended last included, so that it can be read back
  // before the commit.
  int complete();
  // Overwrites bytes already written, at `offset`.
  int writeAt(std::uint64_t offset, const void* data, std::size_t size);
  // The temporary file, which may be read back before `commit`.
  const std::string& temporaryPath() const;
  // The file that `commit` replaces: the target with its links followed.
  const std::string& finalTarget() const;
  int commit();
  // Removes the temporary file and forgets the target.
  void discard();

  const std::string& failure() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
