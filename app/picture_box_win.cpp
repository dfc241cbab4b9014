#include "app/picture_box_win.h"

#include <utility>

namespace {
constexpr wchar_t kClassName[] = L"TextbookPictureBox";
constexpr UINT_PTR kFrameTimer = 1;
// Animated pictures often say 0 or 10 ms per frame; like browsers, show those for 100 ms.
constexpr int kShortestFrameDelay = 20;
constexpr int kDefaultFrameDelay = 100;

// RGBA, top to bottom, into the screen's BGRA with transparent pixels blended over the
// box's background, so painting is one stretch.
void ToScreenPixels(std::vector<uint8_t>& pixels, COLORREF background) {
  const unsigned back[3] = {GetBValue(background), GetGValue(background), GetRValue(background)};
  for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
    const unsigned r = pixels[i], g = pixels[i + 1], b = pixels[i + 2], a = pixels[i + 3];
    const unsigned front[3] = {b, g, r};
    for (int c = 0; c < 3; ++c) {
      pixels[i + c] = static_cast<uint8_t>((front[c] * a + back[c] * (255 - a) + 127) / 255);
    }
    pixels[i + 3] = 0;
  }
}
}  // namespace

void PictureBox::RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kClassName;
  RegisterClassExW(&window_class);
}

HWND PictureBox::Create(HWND parent, int id, int x, int y, int w, int h, DWORD style, DWORD ex_style) {
  return CreateWindowExW(ex_style, kClassName, L"", style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), this);
}

void PictureBox::Show(Picture picture) {
  KillTimer(hwnd_, kFrameTimer);
  picture_ = std::move(picture);
  frame_ = 0;
  const COLORREF background = GetSysColor(COLOR_BTNFACE);
  for (PictureFrame& frame : picture_.frames) ToScreenPixels(frame.rgba, background);
  if (picture_.frames.size() > 1) ArmFrameTimer();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void PictureBox::ArmFrameTimer() {
  int delay = picture_.frames[frame_].delay_ms;
  if (delay < kShortestFrameDelay) delay = kDefaultFrameDelay;
  SetTimer(hwnd_, kFrameTimer, static_cast<UINT>(delay), nullptr);
}

void PictureBox::ShowNextFrame() {
  KillTimer(hwnd_, kFrameTimer);
  if (picture_.frames.size() < 2) return;
  frame_ = (frame_ + 1) % picture_.frames.size();
  ArmFrameTimer();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void PictureBox::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  RECT client;
  GetClientRect(hwnd_, &client);
  const bool has_picture = picture_.width > 0 && picture_.height > 0 && frame_ < picture_.frames.size() &&
                           picture_.frames[frame_].rgba.size() ==
                               static_cast<size_t>(picture_.width) * static_cast<size_t>(picture_.height) * 4;
  if (!has_picture) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  } else {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture_.width;
    info.bmiHeader.biHeight = -picture_.height;  // rows top to bottom
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, picture_.width, picture_.height,
                  picture_.frames[frame_].rgba.data(), &info, DIB_RGB_COLORS, SRCCOPY);
  }
  EndPaint(hwnd_, &paint);
}

LRESULT CALLBACK PictureBox::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* box = static_cast<PictureBox*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    box->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
  }
  auto* box = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (box) {
    switch (message) {
      case WM_ERASEBKGND:
        return 1;  // painting covers the whole client area
      case WM_PAINT:
        box->Paint();
        return 0;
      case WM_TIMER:
        if (wparam == kFrameTimer) box->ShowNextFrame();
        return 0;
      case WM_NCDESTROY:
        KillTimer(hwnd, kFrameTimer);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        box->hwnd_ = nullptr;
        break;
    }
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}
