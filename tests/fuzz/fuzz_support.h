#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Pieces shared by the fuzz targets: the code under test reads files, so every input is written to
// a private folder of the fuzzing process first.

// The process's own folder under the temporary base, created on first use and removed at exit.
const std::string& fuzzFolder();
std::string fuzzPath(const std::string& name);

std::vector<std::uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::uint8_t* data, std::size_t size);

// Reports a broken invariant and aborts, so that libFuzzer keeps the input that broke it.
[[noreturn]] void fuzzFailure(const char* condition, const char* file, int line);

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : fuzzFailure(#condition, __FILE__, __LINE__))
