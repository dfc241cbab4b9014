#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The little file access the converter needs. Paths are UTF-8 here; the Windows
// implementation converts them to UTF-16 at each call, so any file name works.

// Separator used when joining a folder and a name.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

bool IsFolder(const std::string& path);

// Names (not paths) of the plain files directly in folder; false when it cannot be listed.
bool ListFolderFiles(const std::string& folder, std::vector<std::string>* names);

// Up to max_bytes from the start of the file; false when it cannot be opened or read.
bool ReadFileHead(const std::string& path, size_t max_bytes, std::vector<uint8_t>* bytes);

// The whole file; false when it cannot be read or is larger than max_bytes.
bool ReadWholeFile(const std::string& path, size_t max_bytes, std::vector<uint8_t>* bytes);

// Moves from over to, replacing to when it exists.
bool ReplaceFileWith(const std::string& from, const std::string& to);

void RemoveFileQuietly(const std::string& path);

// A file being written: created or truncated on Open, buffered, flushed on Close.
// Destroying it without a successful Close just closes the handle.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  bool Open(const std::string& path);
  // False once any write has failed; later writes are ignored.
  bool Write(const void* data, size_t size);
  bool Write(const std::string& text) { return Write(text.data(), text.size()); }
  // Flushes and closes; true when every write and the close succeeded.
  bool Close();
  // Bytes handed to Write so far (the position of the next byte in the file).
  uint64_t Position() const { return position_; }
  bool Failed() const { return failed_; }

 private:
  bool Flush();
  // Per platform: open (create or truncate), unbuffered write, close with result.
  bool OpenHandle(const std::string& path);
  bool WriteDirect(const void* data, size_t size);
  bool CloseHandleChecked();

  void* handle_ = nullptr;  // FILE* or HANDLE, by platform
  std::vector<char> buffer_;
  uint64_t position_ = 0;
  bool failed_ = false;
};

// The path's last component (after the last separator; both kinds on Windows).
std::string FileNameOf(const std::string& path);

// folder + separator + name; name alone when folder is empty.
std::string JoinPath(const std::string& folder, const std::string& name);
