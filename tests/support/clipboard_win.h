#pragma once
// Puts Unicode text on the clipboard, as a user's copy in the browser would.
#include <windows.h>

#include <cstring>
#include <string>

inline bool PutTextOnClipboard(const std::wstring& text) {
  // SetClipboardData needs an owner window once the clipboard has been emptied.
  HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  bool done = false;
  for (int attempt = 0; attempt < 50 && !done; ++attempt) {
    if (!OpenClipboard(owner)) {
      Sleep(20);
      continue;
    }
    EmptyClipboard();
    if (text.empty()) {
      done = true;
    } else {
      const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
      HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
      if (memory) {
        std::memcpy(GlobalLock(memory), text.c_str(), bytes);
        GlobalUnlock(memory);
        done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        if (!done) GlobalFree(memory);
      }
    }
    CloseClipboard();
  }
  DestroyWindow(owner);
  return done;
}
