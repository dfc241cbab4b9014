#include "app/window_fields_win.h"

#include <string>
#include <utility>

#include "app/main_window_win.h"
#include "common/gbk_win.h"
#include "common/picture/picture_decode.h"

Text WindowFormFields::ReadText(Control control) {
  std::wstring text;
  window_.RunOnWindowThread([&] { text = window_.GetText(control); });
  return WideToGbk(text);
}

void WindowFormFields::WriteText(Control control, const Text& text) {
  const std::wstring wide = GbkToWide(text);
  window_.RunOnWindowThread([&] { window_.SetText(control, wide); });
}

void WindowFormFields::WriteProgress(Control control, long long position) {
  const int clamped = ClampProgressPosition(position);
  window_.RunOnWindowThread([&] { window_.SetProgress(control, clamped); });
}

void WindowFormFields::WritePicture(Control control, const ByteString& bytes) {
  // The old picture goes first, so a broken new one leaves the box blank. The box keeps
  // only the decoded frames, never the caller's bytes.
  window_.RunOnWindowThread([&] { window_.ShowPicture(control, Picture()); });
  if (bytes.empty()) return;
  Picture picture;
  std::string error;
  if (!DecodePicture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &picture, &error)) return;
  window_.RunOnWindowThread([&] { window_.ShowPicture(control, std::move(picture)); });
}
