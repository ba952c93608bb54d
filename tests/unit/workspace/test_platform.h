#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the workspace tests need from the system beyond the platform layer itself: setting the
// environment, planting links and making a deletion be refused. One backend per platform.
namespace test_platform {

// Sets (value non-null) or removes an environment variable of this process.
void setEnvironment(const char* name, const char* value);

// Creates a link at `link` to the folder or file `target`; false when the system cannot.
bool makeFolderLink(const std::string& link, const std::string& target);
bool makeFileLink(const std::string& link, const std::string& target);

// While it lives, deleting the file at `path` is refused (held open without sharing on Windows;
// its folder made read-only on POSIX, which refuses every deletion inside that folder).
class RefusedEntry {
 public:
  explicit RefusedEntry(const std::string& path);
  ~RefusedEntry();
  RefusedEntry(const RefusedEntry&) = delete;
  RefusedEntry& operator=(const RefusedEntry&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Runs `body` as a user whom file permissions apply to: as is, unless the process runs as the
// POSIX superuser, in which case it runs in a child process under an unprivileged identity.
// Failures inside the body fail the calling test.
void runAsOrdinaryUser(const std::function<void()>& body);

// While it lives, another party keeps making and removing folders of the given names in `folder`,
// as fast as it can: another process (under another user id where the test runs as the POSIX
// superuser) on POSIX, another thread on Windows.
class RivalCreator {
 public:
  RivalCreator(const std::string& folder, const std::vector<std::string>& names);
  ~RivalCreator();
  RivalCreator(const RivalCreator&) = delete;
  RivalCreator& operator=(const RivalCreator&) = delete;

  // True when `path` is a folder (not a link) that this process made for itself: on POSIX owned
  // by us with mode 0700 (the rival's are 0755); on Windows one without the marker file that the
  // rival puts in each of its folders, asked while the rival holds still.
  bool isOurPrivateFolder(const std::string& path) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A folder of its own below the system's temporary folder, for one test; removed at its end.
std::string makeScratchFolder();

}  // namespace test_platform
