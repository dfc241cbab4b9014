#include "common/picture/picture_decode.h"

PictureFormat DetectPictureFormat(const uint8_t*, size_t) { return PictureFormat::Unknown; }

bool DecodePicture(const uint8_t*, size_t, Picture* picture, std::string* error) {
  *picture = Picture();
  *error = "not yet";
  return false;
}
