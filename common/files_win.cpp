#include <windows.h>

#include <algorithm>
#include <string>

#include "common/files.h"
#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "common/run_directory.h"

bool WriteFileBytes(const Text& path, const ByteString& bytes) {
  if (GbkToWide(path).empty()) return false;
  UniqueHandle file(CreateFileW(GbkToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  size_t written_total = 0;
  while (written_total < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written_total, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data() + written_total, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    written_total += written;
  }
  return file.Close();
}

Text RunDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return Text();
    if (length < buffer.size()) {
      buffer.resize(length);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  return FolderOfProgramPath(WideToGbk(buffer));
}

bool CreateOneDirectory(const Text& path) {
  const std::wstring wide = GbkToWide(path);
  return !wide.empty() && CreateDirectoryW(wide.c_str(), nullptr) != 0;
}
