// Windows bitmaps, and the icons and cursors whose images are bitmaps or PNG files.
#include <algorithm>
#include <cstring>
#include <vector>

#include "common/picture/picture_internal.h"

namespace picture_internal {
namespace {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6 };

struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
};

Channel MakeChannel(uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask == 0) return c;
  c.shift = __builtin_ctz(mask);
  c.bits = __builtin_popcount(mask);
  return c;
}

uint8_t Extract(const Channel& c, uint32_t pixel) {
  if (c.mask == 0) return 0;
  uint32_t v = (pixel & c.mask) >> c.shift;
  if (c.bits >= 8) return uint8_t(v >> (c.bits - 8));
  const uint32_t max = (1u << c.bits) - 1;
  return uint8_t(std::min<uint32_t>(v, max) * 255 / max);
}

struct Dib {
  int width = 0;
  int height = 0;
  bool top_down = false;
  int bpp = 0;
  uint32_t compression = kRgb;
  Channel red, green, blue, alpha;
  bool has_alpha_channel = false;
  std::vector<uint8_t> palette;  // RGBA entries
  size_t palette_offset = 0;     // from the start of the header
  size_t palette_entries = 0;    // entries the header claims, for locating icon pixels
  size_t entry_size = 4;
};

// Reads the header at dib[0..size) and locates the colour table that follows it.
bool ReadDibHeader(const uint8_t* dib, size_t size, bool icon, Dib* out, std::string* error) {
  if (size < 4) {
    *error = "BMP: no header";
    return false;
  }
  const uint32_t header_size = ReadU32(dib);
  int64_t width = 0, height = 0;
  uint32_t clr_used = 0, masks[4] = {0, 0, 0, 0};
  size_t mask_bytes = 0;
  if (header_size == 12 && size >= 12) {
    width = ReadU16(dib + 4);
    height = ReadU16(dib + 6);
    out->bpp = ReadU16(dib + 10);
    out->entry_size = 3;
  } else if (header_size >= 40 && header_size <= size) {
    width = int32_t(ReadU32(dib + 4));
    height = int32_t(ReadU32(dib + 8));
    out->bpp = ReadU16(dib + 14);
    out->compression = ReadU32(dib + 16);
    clr_used = ReadU32(dib + 32);
    if (header_size >= 52) {
      for (int i = 0; i < 3; ++i) masks[i] = ReadU32(dib + 40 + 4 * i);
    }
    if (header_size >= 56) masks[3] = ReadU32(dib + 52);
    if (header_size == 40 && (out->compression == kBitfields || out->compression == kAlphaBitfields)) {
      mask_bytes = out->compression == kBitfields ? 12 : 16;
      if (size < 40 + mask_bytes) {
        *error = "BMP: bit masks missing";
        return false;
      }
      for (size_t i = 0; i < mask_bytes / 4; ++i) masks[i] = ReadU32(dib + 40 + 4 * i);
    }
  } else {
    *error = "BMP: unsupported header";
    return false;
  }
  if (icon) height /= 2;  // the stored height covers the colour image and its mask
  out->top_down = height < 0;
  if (height < 0) height = -height;
  if (!CheckDimensions(width, height, error)) return false;
  out->width = int(width);
  out->height = int(height);

  const int bpp = out->bpp;
  const uint32_t comp = out->compression;
  const bool ok = (comp == kRgb && (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32)) ||
                  (comp == kRle8 && bpp == 8) || (comp == kRle4 && bpp == 4) ||
                  ((comp == kBitfields || comp == kAlphaBitfields) && (bpp == 16 || bpp == 32));
  if (!ok) {
    *error = "BMP: unsupported bit depth or compression";
    return false;
  }
  if (out->top_down && (comp == kRle8 || comp == kRle4)) {
    *error = "BMP: top-down run-length picture";
    return false;
  }
  if (comp == kRgb && bpp == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
  } else if (comp == kRgb && bpp == 32) {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0xFF000000;
  } else if (comp == kBitfields && header_size < 56) {
    masks[3] = 0;
  }
  out->red = MakeChannel(masks[0]);
  out->green = MakeChannel(masks[1]);
  out->blue = MakeChannel(masks[2]);
  out->alpha = MakeChannel(masks[3]);
  out->has_alpha_channel = masks[3] != 0;

  out->palette_offset = size_t(header_size) + mask_bytes;
  if (bpp <= 8) {
    const size_t full = size_t(1) << bpp;
    out->palette_entries = clr_used != 0 && clr_used < full ? clr_used : full;
    out->palette.assign(full * 4, 0);
    for (size_t i = 0; i < full; ++i) out->palette[i * 4 + 3] = 255;
  } else if (header_size == 12 || clr_used <= 256) {
    out->palette_entries = header_size == 12 ? 0 : clr_used;  // an unused table to skip
  }
  return true;
}

void ReadPalette(const uint8_t* dib, size_t table_limit, Dib* d) {
  for (size_t i = 0; i < d->palette.size() / 4 && i < d->palette_entries; ++i) {
    const size_t at = d->palette_offset + i * d->entry_size;
    if (at + 3 > table_limit) break;
    d->palette[i * 4 + 0] = dib[at + 2];
    d->palette[i * 4 + 1] = dib[at + 1];
    d->palette[i * 4 + 2] = dib[at + 0];
  }
}

size_t RowStride(const Dib& d, int bpp) { return ((size_t(d.width) * size_t(bpp) + 31) / 32) * 4; }

uint8_t* OutRow(const Dib& d, Picture* picture, int file_row) {
  const int y = d.top_down ? file_row : d.height - 1 - file_row;
  return picture->frames[0].rgba.data() + size_t(y) * size_t(d.width) * 4;
}

// Uncompressed rows; returns whether the picture carries any alpha.
bool DecodeRows(const Dib& d, const uint8_t* pixels, Picture* picture) {
  const size_t stride = RowStride(d, d.bpp);
  bool any_alpha = false;
  for (int r = 0; r < d.height; ++r) {
    const uint8_t* src = pixels + size_t(r) * stride;
    uint8_t* dst = OutRow(d, picture, r);
    for (int x = 0; x < d.width; ++x, dst += 4) {
      if (d.bpp <= 8) {
        const int per_byte = 8 / d.bpp;
        const int shift = 8 - d.bpp * (x % per_byte + 1);
        const unsigned index = (src[x / per_byte] >> shift) & ((1u << d.bpp) - 1);
        std::memcpy(dst, &d.palette[index * 4], 4);
      } else if (d.bpp == 24) {
        const uint8_t* p = src + size_t(x) * 3;
        dst[0] = p[2], dst[1] = p[1], dst[2] = p[0], dst[3] = 255;
      } else {
        const uint32_t v = d.bpp == 16 ? ReadU16(src + size_t(x) * 2) : ReadU32(src + size_t(x) * 4);
        dst[0] = Extract(d.red, v);
        dst[1] = Extract(d.green, v);
        dst[2] = Extract(d.blue, v);
        dst[3] = d.has_alpha_channel ? Extract(d.alpha, v) : 255;
        any_alpha = any_alpha || (d.has_alpha_channel && dst[3] != 0);
      }
    }
  }
  return any_alpha;
}

// Run-length rows; pixels that the runs skip stay transparent.
void DecodeRle(const Dib& d, const uint8_t* p, size_t size, Picture* picture) {
  size_t i = 0;
  int x = 0, r = 0;
  const bool four = d.compression == kRle4;
  auto put = [&](unsigned index) {
    if (x < d.width && r < d.height) std::memcpy(OutRow(d, picture, r) + size_t(x) * 4, &d.palette[index * 4], 4);
    ++x;
  };
  while (i + 2 <= size && r < d.height) {
    const unsigned count = p[i], value = p[i + 1];
    i += 2;
    if (count > 0) {
      for (unsigned k = 0; k < count && x < d.width; ++k) put(four ? ((k & 1) ? value & 15 : value >> 4) : value);
    } else if (value == 0) {
      x = 0, ++r;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      if (i + 2 > size) return;
      x += p[i], r += p[i + 1];
      i += 2;
    } else {
      const size_t bytes = four ? (value + 1) / 2 : value;
      if (i + bytes > size) return;
      for (unsigned k = 0; k < value; ++k) {
        const uint8_t b = p[i + (four ? k / 2 : k)];
        put(four ? ((k & 1) ? b & 15 : b >> 4) : b);
      }
      i += (bytes + 1) & ~size_t(1);  // absolute runs are padded to 16 bits
    }
  }
}

// Decodes a header-plus-pixels bitmap at dib[0..size); pixel_offset is where the pixels
// start (0: right after the colour table, as in icons).
bool DecodeDib(const uint8_t* dib, size_t size, size_t pixel_offset, bool icon, Picture* picture,
               std::string* error) {
  Dib d;
  if (!ReadDibHeader(dib, size, icon, &d, error)) return false;
  if (pixel_offset == 0) {
    uint64_t table = 0;
    if (__builtin_mul_overflow(uint64_t(d.palette_entries), uint64_t(d.entry_size), &table) ||
        d.palette_offset + table > size) {
      *error = "BMP: colour table past the end";
      return false;
    }
    pixel_offset = d.palette_offset + size_t(table);
  }
  if (pixel_offset > size) {
    *error = "BMP: pixels past the end";
    return false;
  }
  ReadPalette(dib, pixel_offset, &d);
  if (!AllocateStill(d.width, d.height, picture, error)) return false;
  const uint8_t* pixels = dib + pixel_offset;
  const size_t available = size - pixel_offset;
  if (d.compression == kRle8 || d.compression == kRle4) {
    DecodeRle(d, pixels, available, picture);
    return true;
  }
  uint64_t needed = 0;
  const size_t stride = RowStride(d, d.bpp);
  if (__builtin_mul_overflow(uint64_t(stride), uint64_t(d.height), &needed) || needed > available) {
    *error = "BMP: pixel data cut short";
    return false;
  }
  const bool any_alpha = DecodeRows(d, pixels, picture);
  std::vector<uint8_t>& rgba = picture->frames[0].rgba;
  if (d.has_alpha_channel && !any_alpha) {
    // An alpha channel that is zero everywhere is unused, as most writers leave it.
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
  }
  if (icon && !any_alpha) {
    // The mask after the colour image: a set bit is a transparent pixel.
    const size_t mask_stride = RowStride(d, 1);
    uint64_t mask_bytes = 0;
    if (!__builtin_mul_overflow(uint64_t(mask_stride), uint64_t(d.height), &mask_bytes) &&
        mask_bytes <= available - needed) {
      const uint8_t* mask = pixels + needed;
      for (int r = 0; r < d.height; ++r) {
        uint8_t* dst = OutRow(d, picture, r);
        for (int x = 0; x < d.width; ++x) {
          if (mask[size_t(r) * mask_stride + size_t(x / 8)] & (0x80 >> (x % 8))) dst[size_t(x) * 4 + 3] = 0;
        }
      }
    }
  }
  return true;
}

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, Picture* picture, std::string* error) {
  if (size < 18) {
    *error = "BMP: file too short";
    return false;
  }
  const uint32_t pixel_offset = ReadU32(data + 10);
  if (pixel_offset < 14 + 12 || pixel_offset > size) {
    *error = "BMP: bad pixel offset";
    return false;
  }
  return DecodeDib(data + 14, size - 14, pixel_offset - 14, false, picture, error);
}

bool DecodeIcon(const uint8_t* data, size_t size, Picture* picture, std::string* error) {
  const size_t count = ReadU16(data + 4);
  if (size < 6 + count * 16) {
    *error = "icon: directory cut short";
    return false;
  }
  // Largest image first (0 in the directory means 256), then the deepest colours.
  std::vector<size_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = i;
  auto key = [&](size_t i) {
    const uint8_t* e = data + 6 + i * 16;
    const uint32_t w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    return (uint64_t(w * h) << 16) | ReadU16(e + 6);
  };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return key(a) > key(b); });
  // A broken entry gives way to the next best one.
  for (size_t i : order) {
    const uint8_t* e = data + 6 + i * 16;
    const uint32_t length = ReadU32(e + 8), offset = ReadU32(e + 12);
    if (offset >= size || length > size - offset || length < 8) continue;
    const uint8_t* image = data + offset;
    std::string entry_error;
    *picture = Picture();
    bool ok = false;
    if (std::memcmp(image, "\x89PNG\r\n\x1a\n", 8) == 0) {
      ok = DecodePng(image, length, picture, &entry_error);
    } else {
      ok = DecodeDib(image, length, 0, true, picture, &entry_error);
    }
    if (ok) return true;
    *error = entry_error;
  }
  *picture = Picture();
  if (error->empty()) *error = "icon: no usable image";
  return false;
}

}  // namespace picture_internal
