#include <windows.h>

#include <algorithm>

#include "common/handle_win.h"
#include "converter/file_io.h"
#include "converter/utf16_win.h"

namespace {
HANDLE OpenForReading(const std::string& path) {
  return CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// ReadFile takes a DWORD count; large pictures are read in pieces.
bool ReadExactly(HANDLE file, uint8_t* data, size_t size, size_t* got) {
  *got = 0;
  while (*got < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - *got, 1u << 24));
    DWORD read = 0;
    if (!ReadFile(file, data + *got, chunk, &read, nullptr)) return false;
    if (read == 0) break;
    *got += read;
  }
  return true;
}
}  // namespace

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ListFolderFiles(const std::string& folder, std::vector<std::string>* names) {
  names->clear();
  WIN32_FIND_DATAW found;
  UniqueFindHandle find(FindFirstFileW(Utf8ToWide(JoinPath(folder, "*")).c_str(), &found));
  if (!find.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names->push_back(WideToUtf8(found.cFileName));
  } while (FindNextFileW(find.get(), &found));
  return true;
}

bool ReadFileHead(const std::string& path, size_t max_bytes, std::vector<uint8_t>* bytes) {
  bytes->assign(max_bytes, 0);
  UniqueHandle file(OpenForReading(path));
  if (!file.valid()) return false;
  size_t got = 0;
  if (!ReadExactly(file.get(), bytes->data(), max_bytes, &got)) return false;
  bytes->resize(got);
  return true;
}

// The vector is resized, not cleared first: resizing a reused vector within its old size
// does not fill it with zeros, which would cost as much as the read.
bool ReadWholeFile(const std::string& path, size_t max_bytes, std::vector<uint8_t>* bytes) {
  UniqueHandle file(OpenForReading(path));
  if (!file.valid()) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return false;
  if (static_cast<uint64_t>(size.QuadPart) > max_bytes) return false;
  bytes->resize(static_cast<size_t>(size.QuadPart));
  size_t got = 0;
  return ReadExactly(file.get(), bytes->data(), bytes->size(), &got) && got == bytes->size();
}

bool ReplaceFileWith(const std::string& from, const std::string& to) {
  return MoveFileExW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void RemoveFileQuietly(const std::string& path) { DeleteFileW(Utf8ToWide(path).c_str()); }

bool OutputFile::OpenHandle(const std::string& path) {
  const std::wstring wide = Utf8ToWide(path);
  if (wide.empty()) return false;
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = file;
  return true;
}

bool OutputFile::WriteDirect(const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 24));
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(handle_), bytes + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

bool OutputFile::CloseHandleChecked() {
  if (handle_ == nullptr) return true;
  const bool closed = CloseHandle(static_cast<HANDLE>(handle_)) != 0;
  handle_ = nullptr;
  return closed;
}
