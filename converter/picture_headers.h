#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "converter/page_layout.h"

// Looking into picture files without decoding them: what they are, how large, and
// whether their compressed data can go into a PDF as it stands.

enum class PictureKind { None, Jpeg, Png, Gif, Bmp };

// By content only (file names lie: the downloader stores JPEG data under ".png").
// Needs at most kSniffBytes bytes.
constexpr size_t kSniffBytes = 18;
PictureKind SniffPicture(const uint8_t* data, size_t size);

struct JpegInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  int components = 0;        // 1 grey, 3 RGB/YCbCr, 4 CMYK/YCCK
  int precision = 0;         // bits per sample
  int frame_type = 0;        // SOFn marker, 0xC0..0xCF
  bool adobe = false;        // an Adobe APP14 segment is present
  int adobe_transform = 0;
  Resolution resolution;     // from JFIF APP0
  // Baseline, extended or progressive Huffman with 8 bits and 1, 3 or 4 components:
  // what PDF's DCTDecode reads everywhere.
  bool pdf_ready = false;
};

// Walks the markers up to the first scan and checks that the data ends with EOI, so a
// cut-off download counts as broken. False with a reason for anything that is not a
// whole JPEG.
bool InspectJpeg(const uint8_t* data, size_t size, JpegInfo* info, std::string* error);

struct PngInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  int bit_depth = 0;
  int color_type = 0;  // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
  int interlace = 0;
  std::vector<uint8_t> palette;  // PLTE: 3 bytes per entry
  std::vector<uint8_t> transparency;  // tRNS as stored
  Resolution resolution;  // from pHYs
  struct Span {
    size_t offset;
    size_t length;
  };
  std::vector<Span> idat;  // the IDAT chunk data, in order
  size_t idat_bytes = 0;
  // No alpha of any kind, not interlaced, at most 8 bits: the IDAT zlib stream is a
  // PDF FlateDecode stream with PNG predictors, usable as it stands.
  bool pdf_ready = false;
  // For grey or RGB with tRNS, the one transparent colour as a PDF colour-key mask.
  std::vector<int> color_key;
};

// Parses the chunk structure, checking every CRC and that IEND comes. False with a reason
// when the file is not a whole, consistent PNG.
bool InspectPng(const uint8_t* data, size_t size, PngInfo* info, std::string* error);
