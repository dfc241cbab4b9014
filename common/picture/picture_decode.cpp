#include "common/picture/picture_decode.h"

#include <cstring>
#include <new>

#include "common/picture/picture_internal.h"

namespace picture_internal {

bool CheckDimensions(int64_t width, int64_t height, std::string* error) {
  if (width <= 0 || height <= 0) {
    *error = "empty picture";
    return false;
  }
  if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
    *error = "picture too large";
    return false;
  }
  return true;
}

bool FrameBytes(int width, int height, size_t* bytes) {
  size_t row = 0;
  return width >= 0 && height >= 0 && !__builtin_mul_overflow(size_t(width), size_t(4), &row) &&
         !__builtin_mul_overflow(row, size_t(height), bytes);
}

bool AllocateStill(int width, int height, Picture* picture, std::string* error) {
  size_t bytes = 0;
  if (!CheckDimensions(width, height, error)) return false;
  if (!FrameBytes(width, height, &bytes)) {
    *error = "picture too large";
    return false;
  }
  picture->width = width;
  picture->height = height;
  picture->frames.assign(1, PictureFrame());
  picture->frames[0].rgba.assign(bytes, 0);
  return true;
}

}  // namespace picture_internal

PictureFormat DetectPictureFormat(const uint8_t* data, size_t size) {
  if (data == nullptr || size < 6) return PictureFormat::Unknown;
  const uint8_t* d = data;
  if (d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return PictureFormat::Jpeg;
  if (size >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0) return PictureFormat::Png;
  if (std::memcmp(d, "GIF87a", 6) == 0 || std::memcmp(d, "GIF89a", 6) == 0) return PictureFormat::Gif;
  if (d[0] == 'B' && d[1] == 'M') return PictureFormat::Bmp;
  // Icon directory: reserved 0, type 1 (icon) or 2 (cursor), then a non-zero image count.
  if (d[0] == 0 && d[1] == 0 && d[3] == 0 && (d[2] == 1 || d[2] == 2) &&
      picture_internal::ReadU16(d + 4) != 0) {
    return d[2] == 1 ? PictureFormat::Icon : PictureFormat::Cursor;
  }
  // PCX: manufacturer 10, a known version, run-length encoding 1.
  if (d[0] == 0x0A && (d[1] == 0 || (d[1] >= 2 && d[1] <= 5)) && d[2] == 1) return PictureFormat::Pcx;
  return PictureFormat::Unknown;
}

bool DecodePicture(const uint8_t* data, size_t size, Picture* picture, std::string* error) {
  using namespace picture_internal;
  *picture = Picture();
  error->clear();
  bool ok = false;
  // A 32-bit process may not find room for a large picture; that is a failed decode too.
  try {
    switch (DetectPictureFormat(data, size)) {
      case PictureFormat::Jpeg: ok = DecodeJpeg(data, size, picture, error); break;
      case PictureFormat::Png: ok = DecodePng(data, size, picture, error); break;
      case PictureFormat::Gif: ok = DecodeGif(data, size, GifLimits(), picture, error); break;
      case PictureFormat::Bmp: ok = DecodeBmp(data, size, picture, error); break;
      case PictureFormat::Icon:
      case PictureFormat::Cursor: ok = DecodeIcon(data, size, picture, error); break;
      case PictureFormat::Pcx: ok = DecodePcx(data, size, picture, error); break;
      case PictureFormat::Unknown: *error = "unrecognised picture format"; break;
    }
  } catch (const std::bad_alloc&) {
    *picture = Picture();
    *error = "not enough memory for the picture";
    ok = false;
  }
  if (!ok) {
    *picture = Picture();
    if (error->empty()) *error = "broken picture";
  }
  return ok;
}
