#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Pictures made by the tests themselves, with the real encoders, and the pixels they hold.

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // 8-bit RGBA, rows top to bottom
};

// A deterministic pattern that differs between neighbouring pixels and between seeds.
Pixels PatternPixels(int width, int height, int variant, bool with_alpha = false, bool grey = false);

struct JpegOptions {
  int components = 3;          // 1, 3 or 4 (4 is written as Adobe CMYK: black ink only)
  bool progressive = false;
  int density_unit = 0;        // JFIF: 0 none, 1 dpi, 2 dots per cm
  int x_density = 1;
  int y_density = 1;
  int quality = 90;
};
std::string MakeJpeg(const Pixels& pixels, const JpegOptions& options = JpegOptions());

struct PngOptions {
  int color_type = 2;          // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
  int bit_depth = 8;
  bool interlaced = false;
  uint32_t pixels_per_metre = 0;  // pHYs when not 0
  // For palette pictures: the pixels must use at most 2^bit_depth colours; tRNS is written
  // when any palette colour is not opaque.
  // For grey/RGB: a tRNS colour key when set (its value in the picture's samples).
  bool color_key = false;
  int key_red = 0, key_green = 0, key_blue = 0;
};
// For 16-bit pictures each 8-bit value v is stored as v * 257 + low, low from the pattern,
// so that 8-bit renderings round back to v.
std::string MakePng(const Pixels& pixels, const PngOptions& options = PngOptions());

std::string MakeBmp(const Pixels& pixels, int pixels_per_metre = 0);
// The pixels must use at most 256 colours; fully transparent pixels become the
// transparent index.
std::string MakeGif(const Pixels& pixels);

// A picture with few colours, for palette and GIF tests.
Pixels FewColourPixels(int width, int height, int colours, bool with_transparency = false);
