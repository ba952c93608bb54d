#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Whole-file services. Each returns 1 on success and 0 on failure; those that write say why in
// `reason` when one is given (the file and the system's own words).

// The largest file readWholeFile takes: a 32-bit address space cannot hold a buffer of 2 GiB.
constexpr std::uint64_t kMaximumWholeFileSize = sizeof(void*) < 8 ? 0x20000000ull : 0x7FFFFFFFull;

// Reads every byte of the file into `bytes` (replacing its contents); 0 for a file larger than
// kMaximumWholeFileSize, or one that grows past it while it is read.
int readWholeFile(const char* path, std::string& bytes);

// Gives the file exactly these `size` bytes, replacing it in one step (a ReplacementFile): 1 only
// when every byte was written and the file took its place; otherwise the file is as it was.
int writeWholeFile(const char* path, const void* data, std::size_t size,
                   std::string* reason = nullptr);

// Copies a file byte for byte over `target` in one step (a ReplacementFile). A copy that could
// not be made whole (a full disk, a read error) fails and leaves the target as it was.
int copyFile(const char* source, const char* target, std::string* reason = nullptr);

// Renames source over target in one step, replacing an existing target (same folder). A target
// that another program holds open for a moment (as scanners do) is tried again for up to ~2 s.
int renameReplacing(const char* source, const char* target);

// Deletes a file; 1 when it is gone.
int removeFile(const char* path);

}  // namespace platform
