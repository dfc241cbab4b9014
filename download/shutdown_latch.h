#pragma once
#include <shared_mutex>

// Closes once, when the program begins to shut down. Work that must not start after that
// moment (reading the book folder and writing into it) runs under RunUnlessClosed; Close
// waits until such work already running has ended, so that once Close returns no
// download touches the folder text again.
class ShutdownLatch {
 public:
  template <typename Action>
  bool RunUnlessClosed(Action&& action) {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    if (closed_) return false;
    action();
    return true;
  }

  bool IsClosed() {
    std::shared_lock<std::shared_mutex> lock(mutex_);
    return closed_;
  }

  void Close() {
    std::unique_lock<std::shared_mutex> lock(mutex_);
    closed_ = true;
  }

 private:
  std::shared_mutex mutex_;
  bool closed_ = false;
};
