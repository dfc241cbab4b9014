// libFuzzer entry: every decoder must survive any bytes without a sanitizer report.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/picture/picture_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Picture picture;
  std::string error;
  if (DecodePicture(data, size, &picture, &error)) {
    // A decoded picture must be exactly as large as it says.
    const size_t bytes = size_t(picture.width) * size_t(picture.height) * 4;
    for (const PictureFrame& frame : picture.frames) {
      if (frame.rgba.size() != bytes) __builtin_trap();
    }
    if (picture.frames.empty()) __builtin_trap();
  } else if (!picture.frames.empty() || error.empty()) {
    __builtin_trap();
  }
  return 0;
}
