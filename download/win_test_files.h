#pragma once
// For the Windows tests: a fresh folder of their own and reading back what was stored.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/gbk_win.h"
#include "common/text.h"

// Makes %TEMP%\<name>-<process id>\ afresh and gives it with a trailing backslash.
inline Text FreshTestFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return WideToGbk(folder) + "\\";
}

// The names of the files in a folder, sorted.
inline std::vector<Text> FilesIn(const Text& folder) {
  std::vector<Text> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((GbkToWide(folder) + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(WideToGbk(found.cFileName));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

inline ByteString ReadTestFile(const Text& path) {
  const HANDLE file = CreateFileW(GbkToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return ByteString();
  ByteString bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}
