#pragma once

#include <functional>
#include <thread>
#include <utility>

namespace platform {

// The program's one worker thread: it starts at once, and wait (or the end of the object) blocks
// without a time limit until the task has ended.
class WorkerThread {
 public:
  explicit WorkerThread(std::function<void()> task) : thread_(std::move(task)) {}
  ~WorkerThread() { wait(); }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  void wait() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

}  // namespace platform
