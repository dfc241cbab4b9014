#pragma once
#include <windows.h>

#include <array>
#include <atomic>
#include <functional>
#include <string>

#include "app/control_table.h"
#include "app/gdi_win.h"
#include "app/picture_box_win.h"
#include "app/window_fields_win.h"

// MainWindow: the program's one window with its seventeen controls. Its handlers run on the
// window thread; other threads reach the controls only through fields().
class MainWindow {
 public:
  explicit MainWindow(HINSTANCE instance);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window hidden, centred on the screen, with its controls and fonts, then
  // raises the creation event. False when the window cannot be made.
  bool Create();
  void Show(int show_command);
  // Keys the window handles before the controls see them: Escape closes the window from
  // any control, Tab and Shift+Tab walk the tab stops. True when the message was used.
  bool PreTranslateMessage(const MSG& message);

  FormFields& fields() { return fields_; }
  HWND hwnd() const { return hwnd_; }
  const PictureBox& picture_box() const { return picture_box_; }

  // Runs work on the window thread, the calling thread waiting until it is done. Once the
  // window is being destroyed the work is dropped, so no control is touched after that.
  void RunOnWindowThread(const std::function<void()>& work);

  // Window thread only.
  void SetText(Control control, const std::wstring& text);
  std::wstring GetText(Control control);
  void SetProgress(Control control, int position);
  void ShowPicture(Control control, Picture picture);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK AddressBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls();
  LRESULT ControlColours(HDC dc, HWND control);
  void OnCreated();
  void OnButtonClicked(Control control);
  void OnAddressDoubleClick();
  void MoveFocus(bool backwards);
  HWND ControlWindow(Control control) const { return controls_[static_cast<size_t>(control)]; }

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  DWORD thread_id_ = 0;
  std::atomic<bool> closing_{false};
  std::array<HWND, kControlCount> controls_{};
  std::array<Brush, kControlCount> backgrounds_;
  PictureBox picture_box_;
  WNDPROC address_box_proc_ = nullptr;
  HWND last_focus_ = nullptr;
  WindowFormFields fields_;
};
