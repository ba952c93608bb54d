#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Whole-file services. Each returns 1 on success and 0 on failure; none reports more.

// The largest file readWholeFile takes: a 32-bit address space cannot hold a buffer of 2 GiB.
constexpr std::uint64_t kMaximumWholeFileSize = sizeof(void*) < 8 ? 0x20000000ull : 0x7FFFFFFFull;

// Reads every byte of the file into `bytes` (replacing its contents); 0 for a file larger than
// kMaximumWholeFileSize, or one that grows past it while it is read.
int readWholeFile(const char* path, std::string& bytes);

// Creates or truncates the file and writes all `size` bytes; 1 only when every byte was written.
int writeWholeFile(const char* path, const void* data, std::size_t size);

// Copies a file byte for byte; with failIfExists 0 an existing target is replaced.
int copyFile(const char* source, const char* target, int failIfExists);

// Renames source over target in one step, replacing an existing target (same folder).
int renameReplacing(const char* source, const char* target);

// Deletes a file; 1 when it is gone.
int removeFile(const char* path);

}  // namespace platform
