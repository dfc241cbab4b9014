#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Picture decoding: memory in, RGBA frames out. Portable; no Windows calls.

enum class PictureFormat { Unknown, Jpeg, Png, Bmp, Gif, Icon, Cursor, Pcx };

// Recognises the format from the signature in the first bytes; fewer than 6 bytes are
// never recognised.
PictureFormat DetectPictureFormat(const uint8_t* data, size_t size);

struct PictureFrame {
  std::vector<uint8_t> rgba;  // width * height * 4 bytes, rows top to bottom
  int delay_ms = 0;           // how long an animated frame stays; 0 for still pictures
};

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<PictureFrame> frames;  // one for still pictures, all frames for animated GIFs
};

// Limits against hostile headers: checked before any allocation.
constexpr int kMaxPictureSide = 16384;
constexpr int64_t kMaxPicturePixels = 64LL * 1000 * 1000;

// Animated GIFs stop at this many frames or this many decoded bytes; the frames before
// the cut are kept.
constexpr size_t kMaxGifFrames = 1000;
constexpr uint64_t kMaxAnimationBytes = 256ULL * 1024 * 1024;

// Decodes the whole picture. On failure returns false with a short reason in *error and
// leaves *picture empty. Never ends the process, whatever the bytes.
bool DecodePicture(const uint8_t* data, size_t size, Picture* picture, std::string* error);
