#pragma once
// Owners of Windows handles: each closes its handle when it goes.
#include <windows.h>

// A kernel handle (file, timer, thread, ...). Both null and INVALID_HANDLE_VALUE mean none,
// since CreateFile reports failure with one and most other calls with the other.
class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle = nullptr) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Close(); }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  // Closes now; false when closing failed (for a file: its last bytes may not be written).
  bool Close() {
    if (!valid()) return true;
    const bool closed = CloseHandle(handle_) != 0;
    handle_ = nullptr;
    return closed;
  }

 private:
  HANDLE handle_;
};

// A search of FindFirstFileW, ended with FindClose.
class UniqueFindHandle {
 public:
  explicit UniqueFindHandle(HANDLE handle) : handle_(handle) {}
  UniqueFindHandle(const UniqueFindHandle&) = delete;
  UniqueFindHandle& operator=(const UniqueFindHandle&) = delete;
  ~UniqueFindHandle() {
    if (valid()) FindClose(handle_);
  }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};
