#include "converter/progress_window_win.h"

#include <commctrl.h>

namespace {
const wchar_t kClassName[] = L"FreePic2PdfProgress";
}  // namespace

ProgressWindow::ProgressWindow(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = Procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kClassName;
  RegisterClassExW(&window_class);

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT frame{0, 0, 440, 84};
  AdjustWindowRect(&frame, style, FALSE);
  window_ = CreateWindowExW(0, kClassName, L"FreePic2Pdf", style, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
  if (window_ == nullptr) return;
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  label_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS, 12, 12,
                           416, 20, window_, nullptr, instance, nullptr);
  bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 12, 44, 416, 22, window_, nullptr, instance,
                         nullptr);
  SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
}

ProgressWindow::~ProgressWindow() {
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

bool ProgressWindow::Update(size_t done, size_t total, const std::wstring& text) {
  if (window_ != nullptr && !closed_) {
    SetWindowTextW(label_, text.c_str());
    SendMessageW(bar_, PBM_SETRANGE32, 0, static_cast<LPARAM>(total));
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(done), 0);
  }
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return !closed_;
}

LRESULT CALLBACK ProgressWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_CLOSE) {
    // Closing stops the run; the window goes away with its owner object.
    if (self != nullptr) self->closed_ = true;
    ShowWindow(window, SW_HIDE);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}
