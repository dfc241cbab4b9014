#pragma once
#include <windows.h>

#include "common/picture/picture_decode.h"

// The picture box: shows a decoded picture stretched to its client area (the aspect ratio
// is not kept) and plays the frames of an animated picture, each for its delay. Blank
// (button face) when it holds no picture. Window thread only.
class PictureBox {
 public:
  PictureBox() = default;
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  static void RegisterWindowClass(HINSTANCE instance);
  HWND Create(HWND parent, int id, int x, int y, int w, int h, DWORD style, DWORD ex_style);

  // Replaces the picture shown; an empty picture (no frames) clears the box.
  void Show(Picture picture);
  void Clear() { Show(Picture()); }

  // What the box holds: screen-ready frames (BGRA over the button face) and the one shown.
  const Picture& picture() const { return picture_; }
  size_t current_frame() const { return frame_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void Paint();
  void ShowNextFrame();
  void ArmFrameTimer();

  HWND hwnd_ = nullptr;
  Picture picture_;  // frames held as BGRA over the button face, ready for the screen
  size_t frame_ = 0;
};
