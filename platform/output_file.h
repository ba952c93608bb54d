#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace platform {

// A file created for writing (CreateFile with CREATE_ALWAYS, no sharing): an existing file is
// replaced, but a symbolic link (or other reparse point) at the path is never written through:
// creation fails. Closed when the object ends.
class OutputFile {
 public:
  OutputFile();
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // 1 when the file was created.
  int create(const char* path);
  bool isOpen() const;
  // Writes the bytes; 1 when the call succeeded, with the count actually written in `written`.
  int write(const void* data, std::size_t size, std::size_t& written);
  int flush();
  void close();
  // Why the last create, write or flush failed: the file and the system's own words.
  const std::string& failure() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
