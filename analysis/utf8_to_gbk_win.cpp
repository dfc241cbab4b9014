#include <windows.h>

#include <string>

#include "analysis/utf8_to_gbk.h"

Text Utf8ToGbk(const ByteString& bytes) {
  if (bytes.empty()) return Text();
  const int size = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
  if (units <= 0) return Text();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, wide.data(), units);

  const int gbk_size = WideCharToMultiByte(936, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (gbk_size <= 0) return Text();
  Text gbk(static_cast<size_t>(gbk_size), '\0');
  WideCharToMultiByte(936, 0, wide.data(), units, gbk.data(), gbk_size, nullptr, nullptr);
  // A NUL in the page ends the text.
  return gbk.substr(0, gbk.find('\0'));
}
