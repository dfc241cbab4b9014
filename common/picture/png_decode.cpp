// PNG through libpng's simplified read interface.
#include <cstring>

#include <png.h>
#include <zlib.h>

#include <vector>

#include "common/picture/picture_internal.h"

namespace picture_internal {
namespace {

// Frees libpng's state on every path out of DecodePng.
struct PngImage {
  png_image image;
  PngImage() {
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
  }
  ~PngImage() { png_image_free(&image); }
};

// Deflate expands at most 1032 times, so a picture whose smallest possible pixel data
// could not come from this many bytes is broken; rejecting it early spares allocating
// hundreds of megabytes for a tiny hostile file.
bool PlausibleSize(const uint8_t* data, size_t size, std::string* error) {
  if (size < 33 || std::memcmp(data + 12, "IHDR", 4) != 0) return true;  // libpng decides
  const uint64_t width = ReadU32BE(data + 16), height = ReadU32BE(data + 20);
  const unsigned depth = data[24], type = data[25];
  unsigned channels = 1;
  if (type == 2) channels = 3;
  if (type == 4) channels = 2;
  if (type == 6) channels = 4;
  if (width > uint64_t(kMaxPictureSide) || height > uint64_t(kMaxPictureSide)) return true;
  const uint64_t row = 1 + (width * depth * channels + 7) / 8;
  if (row * height > uint64_t(size) * 1032) {
    *error = "PNG: pixel data too short for the picture size";
    return false;
  }
  return true;
}

// A PNG that says nothing about its colours is sRGB, as every viewer shows it; but libpng's
// simplified reader takes 16-bit samples without a gAMA chunk for linear light and
// brightens them. Such a PNG needs an sRGB chunk, which makes libpng scale plainly.
bool NeedsSrgbChunk(const uint8_t* data, size_t size) {
  if (size < 33 || data[24] != 16) return false;
  for (size_t pos = 8; pos + 12 <= size;) {
    const uint32_t length = ReadU32BE(data + pos);
    const char* type = reinterpret_cast<const char*>(data + pos + 4);
    for (const char* colour_chunk : {"gAMA", "sRGB", "iCCP", "cHRM"}) {
      if (std::memcmp(type, colour_chunk, 4) == 0) return false;
    }
    if (std::memcmp(type, "IDAT", 4) == 0 || length > size - pos - 12) break;
    pos += 12 + size_t(length);
  }
  return true;
}

// The PNG with an sRGB chunk (perceptual intent) right after its header.
std::vector<uint8_t> WithSrgbChunk(const uint8_t* data, size_t size) {
  constexpr size_t kAfterHeader = 8 + 12 + 13;  // signature, IHDR chunk
  uint8_t chunk[13] = {0, 0, 0, 1, 's', 'R', 'G', 'B', 0};
  const uLong crc = crc32(crc32(0, nullptr, 0), chunk + 4, 5);
  for (int i = 0; i < 4; ++i) chunk[9 + i] = uint8_t(crc >> (24 - 8 * i));
  std::vector<uint8_t> marked;
  marked.reserve(size + sizeof chunk);
  marked.insert(marked.end(), data, data + kAfterHeader);
  marked.insert(marked.end(), chunk, chunk + sizeof chunk);
  marked.insert(marked.end(), data + kAfterHeader, data + size);
  return marked;
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t size, Picture* picture, std::string* error) {
  std::vector<uint8_t> marked;
  if (NeedsSrgbChunk(data, size)) {
    marked = WithSrgbChunk(data, size);
    data = marked.data();
    size = marked.size();
  }
  PngImage png;
  if (!png_image_begin_read_from_memory(&png.image, data, size)) {
    *error = std::string("PNG: ") + png.image.message;
    return false;
  }
  if (!CheckDimensions(png.image.width, png.image.height, error)) return false;
  if (!PlausibleSize(data, size, error)) return false;
  png.image.format = PNG_FORMAT_RGBA;
  if (!AllocateStill(int(png.image.width), int(png.image.height), picture, error)) return false;
  if (!png_image_finish_read(&png.image, nullptr, picture->frames[0].rgba.data(), 0, nullptr)) {
    *error = std::string("PNG: ") + png.image.message;
    return false;
  }
  return true;
}

}  // namespace picture_internal
