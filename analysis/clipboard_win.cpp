#include <windows.h>

#include <string>

#include "analysis/clipboard.h"
#include "common/gbk_win.h"

namespace {
class OpenedClipboard {
 public:
  OpenedClipboard() : open_(OpenClipboard(nullptr) != 0) {}
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  bool is_open() const { return open_; }

 private:
  bool open_;
};
}  // namespace

Text ReadClipboardText() {
  OpenedClipboard clipboard;
  if (!clipboard.is_open()) return Text();
  // Read as Unicode and convert to GBK ourselves, so the result does not depend on the
  // system's ANSI code page.
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (!data) return Text();
  const wchar_t* locked = static_cast<const wchar_t*>(GlobalLock(data));
  if (!locked) return Text();
  const size_t capacity = GlobalSize(data) / sizeof(wchar_t);
  std::wstring wide(locked, capacity);
  GlobalUnlock(data);
  return WideToGbk(wide.substr(0, wide.find(L'\0')));
}
