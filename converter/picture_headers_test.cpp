#include "converter/picture_headers.h"

#include <gtest/gtest.h>

#include "converter/test_pictures.h"

namespace {
const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
}  // namespace

TEST(PictureInspect, KindComesFromContentNotName) {
  const Pixels pixels = PatternPixels(8, 8, 1);
  const std::pair<std::string, PictureKind> cases[] = {
      {MakeJpeg(pixels), PictureKind::Jpeg},
      {MakePng(pixels), PictureKind::Png},
      {MakeGif(FewColourPixels(8, 8, 4)), PictureKind::Gif},
      {MakeBmp(pixels), PictureKind::Bmp},
      {"MZ\x90\0\3\0\0\0\4\0", PictureKind::None},       // an .exe
      {"%PDF-1.4\n", PictureKind::None},
      {"BMW is a car", PictureKind::None},
      {"\xFF\xD8", PictureKind::None},                   // too short
      {"", PictureKind::None},
  };
  for (const auto& c : cases) EXPECT_EQ(SniffPicture(Bytes(c.first), c.first.size()), c.second);
}

TEST(PictureInspect, JpegHeadersAreRead) {
  struct Case {
    JpegOptions options;
    int components;
    int frame_type;
    bool adobe;
    double x_dpi, y_dpi;
  };
  const Case cases[] = {
      {{3, false, 1, 300, 300}, 3, 0xC0, false, 300, 300},
      {{1, false, 1, 150, 75}, 1, 0xC0, false, 150, 75},
      {{3, true, 2, 100, 100}, 3, 0xC2, false, 254, 254},  // dots per cm
      {{3, false, 0, 1, 1}, 3, 0xC0, false, 0, 0},         // aspect ratio only
      {{4, false, 1, 200, 200}, 4, 0xC0, true, 0, 0},      // CMYK: Adobe, no JFIF
  };
  for (const Case& c : cases) {
    const std::string jpeg = MakeJpeg(PatternPixels(33, 17, 2), c.options);
    JpegInfo info;
    std::string error;
    ASSERT_TRUE(InspectJpeg(Bytes(jpeg), jpeg.size(), &info, &error)) << error;
    EXPECT_EQ(info.width, 33u);
    EXPECT_EQ(info.height, 17u);
    EXPECT_EQ(info.components, c.components);
    EXPECT_EQ(info.frame_type, c.frame_type);
    EXPECT_EQ(info.adobe, c.adobe);
    EXPECT_NEAR(info.resolution.x_dpi, c.x_dpi, 1e-9);
    EXPECT_NEAR(info.resolution.y_dpi, c.y_dpi, 1e-9);
    EXPECT_TRUE(info.pdf_ready);
  }
}

TEST(PictureInspect, BrokenJpegsAreRefused) {
  const std::string good = MakeJpeg(PatternPixels(40, 30, 3));
  std::string no_frame = good;
  no_frame[no_frame.find("\xFF\xC0")+1] = '\xC4';  // frame header turned into a table
  const std::string cases[] = {
      good.substr(0, good.size() - 2),     // EOI missing: a download cut short
      good.substr(0, good.size() / 2),
      good.substr(0, 20),
      "\xFF\xD8\xFF\xD9",
      no_frame,
  };
  for (const std::string& jpeg : cases) {
    JpegInfo info;
    std::string error;
    EXPECT_FALSE(InspectJpeg(Bytes(jpeg), jpeg.size(), &info, &error)) << jpeg.size();
    EXPECT_FALSE(error.empty());
  }
  // Bytes after EOI (some cameras add them) do not break a picture.
  const std::string trailing = good + std::string(100, '\0');
  JpegInfo info;
  std::string error;
  EXPECT_TRUE(InspectJpeg(Bytes(trailing), trailing.size(), &info, &error)) << error;
}

TEST(PictureInspect, PngHeadersAreRead) {
  struct Case {
    PngOptions options;
    bool pdf_ready;
    size_t key_values;
  };
  const Case cases[] = {
      {{2, 8, false, 11811}, true, 0},    // 300 dpi
      {{0, 8}, true, 0},
      {{2, 8, false, 0, true, 1, 2, 3}, true, 6},
      {{0, 8, false, 0, true, 9}, true, 2},
      {{6, 8}, false, 0},                 // alpha
      {{4, 8}, false, 0},
      {{2, 8, true}, false, 0},           // interlaced
      {{2, 16}, false, 0},                // 16 bits
  };
  for (const Case& c : cases) {
    const std::string png = MakePng(PatternPixels(21, 13, 4, true), c.options);
    PngInfo info;
    std::string error;
    ASSERT_TRUE(InspectPng(Bytes(png), png.size(), &info, &error)) << error;
    EXPECT_EQ(info.width, 21u);
    EXPECT_EQ(info.height, 13u);
    EXPECT_EQ(info.color_type, c.options.color_type);
    EXPECT_EQ(info.bit_depth, c.options.bit_depth);
    EXPECT_EQ(info.pdf_ready, c.pdf_ready);
    EXPECT_EQ(info.color_key.size(), c.key_values);
    EXPECT_GT(info.idat_bytes, 0u);
    const double dpi = c.options.pixels_per_metre * 0.0254;
    EXPECT_NEAR(info.resolution.x_dpi, dpi, 1e-9);
  }
}

TEST(PictureInspect, PalettePngWithTransparencyNeedsDecoding) {
  for (bool transparency : {false, true}) {
    PngOptions options;
    options.color_type = 3;
    options.bit_depth = 4;
    const std::string png = MakePng(FewColourPixels(16, 16, 9, transparency), options);
    PngInfo info;
    std::string error;
    ASSERT_TRUE(InspectPng(Bytes(png), png.size(), &info, &error)) << error;
    EXPECT_EQ(info.palette.size(), 27u);
    EXPECT_EQ(info.pdf_ready, !transparency);
  }
}

TEST(PictureInspect, BrokenPngsAreRefused) {
  const std::string good = MakePng(PatternPixels(30, 30, 5));
  std::string bad_crc = good;
  bad_crc[good.find("IDAT") + 10] ^= 0x55;
  std::string bad_header = good;
  bad_header[8 + 8 + 8] = 3;  // bit depth 3
  const std::string cases[] = {
      good.substr(0, good.size() - 12),  // no IEND
      good.substr(0, good.size() / 2),
      good.substr(0, 8),
      bad_crc,
      bad_header,
  };
  for (const std::string& png : cases) {
    PngInfo info;
    std::string error;
    EXPECT_FALSE(InspectPng(Bytes(png), png.size(), &info, &error));
    EXPECT_FALSE(error.empty());
  }
}
