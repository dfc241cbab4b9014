#pragma once
// Small pictures of every supported format, made in memory for the tests.
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct Rgba {
  uint8_t r, g, b, a;
};

// A width x height RGBA picture, rows top to bottom.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgba> pixels;
  Rgba At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Four colours in a pattern that tells rows, columns and flips apart.
Image TestPattern(int width, int height);
// Flat 8x8 blocks of one colour each, which JPEG keeps nearly exact.
Image BlockPattern(int width, int height);

Bytes MakePng(const Image& image);
// components: 1 (grey from red), 3 (RGB) or 4 (CMYK as Adobe writers store it).
Bytes MakeJpeg(const Image& image, int components, bool progressive);

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> indices;  // width * height, rows top to bottom
  int delay_cs = 0;
  int disposal = 0;
  int transparent = -1;
  bool interlaced = false;
};
// palette: RGB triples, a power of two in count.
Bytes MakeGif(int width, int height, const std::vector<uint8_t>& palette,
              const std::vector<GifFrame>& frames);

enum class BmpKind {
  Rgb24,            // BITMAPINFOHEADER, bottom-up
  Rgb24TopDown,     // negative height
  Core24,           // OS/2 BITMAPCOREHEADER
  Pal8,             // 8-bit palette
  Pal4,             // 4-bit palette
  Pal1,             // 1-bit palette, two colours of the pattern
  Rle8,             // 8-bit run-length
  Rle4,             // 4-bit run-length
  Rgb16Bitfields,   // 5-6-5 masks after a BITMAPINFOHEADER
  Rgb16,            // 5-5-5 without masks
  V5Alpha32,        // BITMAPV5HEADER with an alpha mask
  Rgb32,            // 32-bit BI_RGB, alpha byte unused (zero)
};
// The 1-bit kind uses only the first two pattern colours.
Bytes MakeBmp(const Image& image, BmpKind kind);

// A DIB as stored in icons: header with doubled height, colours, AND mask.
// bpp 32 keeps the image's alpha; bpp 8 uses the mask for transparency (alpha < 128).
Bytes MakeIconDib(const Image& image, int bpp);
struct IconEntry {
  int width, height;  // as written in the directory (256 written as 0)
  Bytes data;
};
Bytes MakeIcon(const std::vector<IconEntry>& entries, bool cursor);

enum class PcxKind { Vga8, Rgb24, Mono1, Ega4Planes };
Bytes MakePcx(const Image& image, PcxKind kind);
