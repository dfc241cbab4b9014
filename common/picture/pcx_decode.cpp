// ZSoft PCX: 1, 2 and 4 bits per pixel with up to 4 planes (16-colour header palette),
// 8 bits with a 256-colour palette at the end, and 24- or 32-bit colour as 3 or 4 planes.
#include <cstring>
#include <vector>

#include "common/picture/picture_internal.h"

namespace picture_internal {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kVgaPaletteSize = 769;  // a 12 byte, then 256 RGB triples

// Decodes the run-length stream into exactly out->size() bytes; false if it ends early.
bool Unpack(const uint8_t* p, size_t size, std::vector<uint8_t>* out) {
  size_t i = 0, o = 0;
  const size_t total = out->size();
  while (o < total) {
    if (i >= size) return false;
    uint8_t b = p[i++];
    size_t run = 1;
    if ((b & 0xC0) == 0xC0) {
      run = b & 0x3F;
      if (i >= size) return false;
      b = p[i++];
    }
    // Runs may cross scan lines in files from some writers; they are clipped at the end.
    if (run > total - o) run = total - o;
    std::memset(out->data() + o, b, run);
    o += run;
  }
  return true;
}

}  // namespace

bool DecodePcx(const uint8_t* data, size_t size, Picture* picture, std::string* error) {
  if (size < kHeaderSize) {
    *error = "PCX: header cut short";
    return false;
  }
  const int bpp = data[3], planes = data[65];
  const int xmin = ReadU16(data + 4), ymin = ReadU16(data + 6);
  const int xmax = ReadU16(data + 8), ymax = ReadU16(data + 10);
  const size_t bytes_per_line = ReadU16(data + 66);
  if (xmax < xmin || ymax < ymin) {
    *error = "PCX: bad window";
    return false;
  }
  const int width = xmax - xmin + 1, height = ymax - ymin + 1;
  if (!CheckDimensions(width, height, error)) return false;
  const bool indexed = (bpp == 1 || bpp == 2 || bpp == 4) && planes >= 1 && bpp * planes <= 4;
  const bool vga = bpp == 8 && planes == 1;
  const bool truecolour = bpp == 8 && (planes == 3 || planes == 4);
  if (!indexed && !vga && !truecolour) {
    *error = "PCX: unsupported bit depth";
    return false;
  }
  if (bytes_per_line < (size_t(width) * size_t(bpp) + 7) / 8) {
    *error = "PCX: lines too short";
    return false;
  }

  // 256 colours follow the pixel data, after a byte 12.
  size_t data_end = size;
  std::vector<uint8_t> palette(256 * 3, 0);
  if (vga) {
    if (size >= kHeaderSize + kVgaPaletteSize && data[size - kVgaPaletteSize] == 12) {
      std::memcpy(palette.data(), data + size - 768, 768);
      data_end = size - kVgaPaletteSize;
    } else {
      for (int i = 0; i < 256; ++i) palette[i * 3] = palette[i * 3 + 1] = palette[i * 3 + 2] = uint8_t(i);
    }
  } else if (bpp == 1 && planes == 1) {
    palette[3] = palette[4] = palette[5] = 255;  // black and white
  } else {
    std::memcpy(palette.data(), data + 16, 48);
  }

  size_t line = 0, total = 0;
  if (__builtin_mul_overflow(bytes_per_line, size_t(planes), &line) ||
      __builtin_mul_overflow(line, size_t(height), &total)) {
    *error = "PCX: picture too large";
    return false;
  }
  // Each run of up to 63 bytes costs two input bytes, so short input cannot fill a large
  // picture; this spares the allocation for a tiny hostile file.
  if (total / 63 > data_end - kHeaderSize) {
    *error = "PCX: pixel data cut short";
    return false;
  }
  std::vector<uint8_t> plain(total);
  if (!Unpack(data + kHeaderSize, data_end - kHeaderSize, &plain)) {
    *error = "PCX: pixel data cut short";
    return false;
  }
  if (!AllocateStill(width, height, picture, error)) return false;
  uint8_t* out = picture->frames[0].rgba.data();
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = plain.data() + size_t(y) * line;
    for (int x = 0; x < width; ++x, out += 4) {
      if (truecolour) {
        out[0] = row[x];
        out[1] = row[bytes_per_line + x];
        out[2] = row[2 * bytes_per_line + x];
        out[3] = planes == 4 ? row[3 * bytes_per_line + x] : 255;
        continue;
      }
      unsigned index = 0;
      if (vga) {
        index = row[x];
      } else {
        // Bits of one pixel come from each plane in turn, plane 0 lowest.
        const int per_byte = 8 / bpp;
        const int shift = 8 - bpp * (x % per_byte + 1);
        for (int p = 0; p < planes; ++p) {
          const unsigned bits = (row[size_t(p) * bytes_per_line + x / per_byte] >> shift) & ((1u << bpp) - 1);
          index |= bits << (p * bpp);
        }
      }
      out[0] = palette[index * 3];
      out[1] = palette[index * 3 + 1];
      out[2] = palette[index * 3 + 2];
      out[3] = 255;
    }
  }
  return true;
}

}  // namespace picture_internal
