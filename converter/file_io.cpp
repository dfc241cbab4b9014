#include "converter/file_io.h"

#include <cstring>

namespace {
// Small writes (dictionaries, page objects) are gathered; the per-call cost disappears.
constexpr size_t kBufferSize = 256 * 1024;
constexpr size_t kDirectWriteSize = 64 * 1024;
}  // namespace

OutputFile::~OutputFile() { CloseHandleChecked(); }

bool OutputFile::Open(const std::string& path) {
  CloseHandleChecked();
  position_ = 0;
  failed_ = false;
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  if (!OpenHandle(path)) {
    failed_ = true;
    return false;
  }
  return true;
}

bool OutputFile::Write(const void* data, size_t size) {
  if (failed_ || handle_ == nullptr) return false;
  position_ += size;
  const char* bytes = static_cast<const char*>(data);
  // Large pieces (the pictures) go straight to the file: copying them through the buffer
  // would cost as much as writing them.
  if (size >= kDirectWriteSize) {
    if (!Flush()) return false;
    if (!WriteDirect(data, size)) failed_ = true;
    return !failed_;
  }
  if (buffer_.size() + size > kBufferSize && !Flush()) return false;
  buffer_.insert(buffer_.end(), bytes, bytes + size);
  return true;
}

bool OutputFile::Flush() {
  if (failed_) return false;
  if (!buffer_.empty() && !WriteDirect(buffer_.data(), buffer_.size())) failed_ = true;
  buffer_.clear();
  return !failed_;
}

bool OutputFile::Close() {
  if (handle_ == nullptr) return false;
  const bool flushed = Flush();
  const bool closed = CloseHandleChecked();
  return flushed && closed;
}

std::string FileNameOf(const std::string& path) {
#ifdef _WIN32
  const size_t cut = path.find_last_of("\\/");
#else
  const size_t cut = path.find_last_of('/');
#endif
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  if (last == '/' || last == kPathSeparator) return folder + name;
  return folder + kPathSeparator + name;
}
