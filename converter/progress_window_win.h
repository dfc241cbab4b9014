#pragma once
#include <windows.h>

#include <string>

// A small window with a line of text and a progress bar, shown while the converter runs
// on the window's own thread: Update pumps the waiting messages, so the window stays
// alive between pictures, and reports whether the user closed it to stop.
class ProgressWindow {
 public:
  explicit ProgressWindow(HINSTANCE instance);
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  ~ProgressWindow();

  // False once the user has closed the window.
  bool Update(size_t done, size_t total, const std::wstring& text);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND window_ = nullptr;
  HWND label_ = nullptr;
  HWND bar_ = nullptr;
  bool closed_ = false;
};
