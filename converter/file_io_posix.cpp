#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "converter/file_io.h"

namespace {
struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
}  // namespace

bool IsFolder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ListFolderFiles(const std::string& folder, std::vector<std::string>* names) {
  names->clear();
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return false;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    struct stat info;
    if (stat(JoinPath(folder, name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      names->push_back(name);
    }
  }
  return true;
}

bool ReadFileHead(const std::string& path, size_t max_bytes, std::vector<uint8_t>* bytes) {
  bytes->assign(max_bytes, 0);
  FilePtr file(fopen(path.c_str(), "rb"));
  if (!file) return false;
  const size_t got = fread(bytes->data(), 1, max_bytes, file.get());
  if (ferror(file.get())) return false;
  bytes->resize(got);
  return true;
}

// The vector is resized, not cleared first: resizing a reused vector within its old size
// does not fill it with zeros, which would cost as much as the read.
bool ReadWholeFile(const std::string& path, size_t max_bytes, std::vector<uint8_t>* bytes) {
  FilePtr file(fopen(path.c_str(), "rb"));
  if (!file) return false;
  struct stat info;
  if (fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > max_bytes) return false;
  bytes->resize(static_cast<size_t>(info.st_size));
  const size_t got = fread(bytes->data(), 1, bytes->size(), file.get());
  if (got != bytes->size()) return false;  // the file shrank or a read failed
  return true;
}

bool ReplaceFileWith(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
}

void RemoveFileQuietly(const std::string& path) { unlink(path.c_str()); }

bool OutputFile::OpenHandle(const std::string& path) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  setvbuf(file, nullptr, _IONBF, 0);  // OutputFile buffers already
  handle_ = file;
  return true;
}

bool OutputFile::WriteDirect(const void* data, size_t size) {
  return fwrite(data, 1, size, static_cast<FILE*>(handle_)) == size;
}

bool OutputFile::CloseHandleChecked() {
  if (handle_ == nullptr) return true;
  const bool closed = fclose(static_cast<FILE*>(handle_)) == 0;
  handle_ = nullptr;
  return closed;
}
