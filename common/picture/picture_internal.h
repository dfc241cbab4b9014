#pragma once
// Shared by the per-format decoders; not part of the picture API.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/picture/picture_decode.h"

namespace picture_internal {

// Each decoder fills *picture and returns true, or returns false with *error set; the
// caller clears *picture on failure.
bool DecodeJpeg(const uint8_t* data, size_t size, Picture* picture, std::string* error);
bool DecodePng(const uint8_t* data, size_t size, Picture* picture, std::string* error);
bool DecodeBmp(const uint8_t* data, size_t size, Picture* picture, std::string* error);
bool DecodeIcon(const uint8_t* data, size_t size, Picture* picture, std::string* error);
bool DecodePcx(const uint8_t* data, size_t size, Picture* picture, std::string* error);

// Hostile animations are cut off at these bounds: the frames decoded so far are kept.
struct GifLimits {
  size_t max_frames = kMaxGifFrames;
  uint64_t max_bytes = kMaxAnimationBytes;
};
bool DecodeGif(const uint8_t* data, size_t size, const GifLimits& limits, Picture* picture,
               std::string* error);

// Checks a picture's size against the limits of the API.
bool CheckDimensions(int64_t width, int64_t height, std::string* error);

// Sets the size and allocates one transparent frame, after checking the size arithmetic.
bool AllocateStill(int width, int height, Picture* picture, std::string* error);

// Byte count of a width x height RGBA frame, false if it does not fit in size_t.
bool FrameBytes(int width, int height, size_t* bytes);

inline uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint32_t ReadU32BE(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

}  // namespace picture_internal
