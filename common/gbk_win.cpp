#include "common/gbk_win.h"

#include <windows.h>

namespace {
constexpr UINT kGbkCodePage = 936;
}

std::wstring GbkToWide(const Text& text) {
  const Text bytes = text.substr(0, text.find('\0'));
  if (bytes.empty()) return std::wstring();
  int units = MultiByteToWideChar(kGbkCodePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(kGbkCodePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), units);
  return wide;
}

Text WideToGbk(const std::wstring& wide) {
  const std::wstring units = wide.substr(0, wide.find(L'\0'));
  if (units.empty()) return Text();
  int size = WideCharToMultiByte(kGbkCodePage, 0, units.data(), static_cast<int>(units.size()), nullptr, 0,
                                 nullptr, nullptr);
  if (size <= 0) return Text();
  Text text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(kGbkCodePage, 0, units.data(), static_cast<int>(units.size()), text.data(), size, nullptr,
                      nullptr);
  return text;
}
