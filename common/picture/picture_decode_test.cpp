#include "common/picture/picture_decode.h"

#include <cstdlib>
#include <cstring>
#include <functional>

#include <gtest/gtest.h>
#include <gif_lib.h>
#include <zlib.h>

#include "common/picture/picture_fixtures.h"
#include "common/picture/picture_internal.h"

namespace {

Image WithAlpha(Image image, int x, int y, uint8_t alpha) {
  image.pixels[size_t(y) * image.width + x].a = alpha;
  return image;
}

Image BlackAndWhite(int width, int height) {
  Image image;
  image.width = width;
  image.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t v = (x + y) % 3 == 0 ? 255 : 0;
      image.pixels.push_back(Rgba{v, v, v, 255});
    }
  }
  return image;
}

Image Sixteen(int width, int height) {
  Image image;
  image.width = width;
  image.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int i = (x + y * width) % 16;
      image.pixels.push_back(Rgba{uint8_t(i * 16), uint8_t(255 - i * 8), uint8_t(i * 5), 255});
    }
  }
  return image;
}

Image Grey(const Image& image) {
  Image out = image;
  for (Rgba& p : out.pixels) p.g = p.b = p.r;
  return out;
}

Rgba PixelOf(const Picture& picture, size_t frame, int x, int y) {
  const uint8_t* p = &picture.frames[frame].rgba[(size_t(y) * picture.width + x) * 4];
  return Rgba{p[0], p[1], p[2], p[3]};
}

bool Near(uint8_t a, uint8_t b, int tolerance) { return std::abs(int(a) - int(b)) <= tolerance; }

std::string Show(const Rgba& p) {
  return std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + "," + std::to_string(p.a);
}

// Compares a decoded still picture with the image it was made from. Fully transparent
// pixels are compared by alpha only; lossy formats are compared at block centres.
void ExpectPicture(const Picture& picture, const Image& expected, int tolerance, bool centres_only) {
  ASSERT_EQ(picture.width, expected.width);
  ASSERT_EQ(picture.height, expected.height);
  ASSERT_EQ(picture.frames.size(), 1u);
  EXPECT_EQ(picture.frames[0].delay_ms, 0);
  ASSERT_EQ(picture.frames[0].rgba.size(), size_t(expected.width) * expected.height * 4);
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      if (centres_only && (x % 8 < 2 || x % 8 > 5 || y % 8 < 2 || y % 8 > 5)) continue;
      const Rgba want = expected.At(x, y), got = PixelOf(picture, 0, x, y);
      const bool same = want.a == 0 ? got.a == 0
                                    : Near(got.r, want.r, tolerance) && Near(got.g, want.g, tolerance) &&
                                          Near(got.b, want.b, tolerance) && got.a == want.a;
      ASSERT_TRUE(same) << "at " << x << "," << y << " want " << Show(want) << " got " << Show(got);
    }
  }
}

struct StillCase {
  const char* name;
  std::function<Bytes()> make;
  PictureFormat format;
  Image expected;
  int tolerance;
  bool centres_only;
  bool survives_half_cut = false;  // the second icon image, or a PCX whose palette is cut off
};

std::vector<uint8_t> PatternPalette() {
  return {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
}

std::vector<uint8_t> PatternIndices(const Image& image) {
  std::vector<uint8_t> out;
  for (const Rgba& p : image.pixels) out.push_back(p.r && p.g ? 3 : p.r ? 0 : p.g ? 1 : 2);
  return out;
}

Bytes StillGif(const Image& image) {
  GifFrame f;
  f.width = image.width, f.height = image.height, f.indices = PatternIndices(image);
  return MakeGif(image.width, image.height, PatternPalette(), {f});
}

std::vector<StillCase> StillCases() {
  const Image pattern = TestPattern(5, 3);
  const Image tall = TestPattern(3, 7);
  const Image blocks = BlockPattern(32, 24);
  const Image alpha = WithAlpha(WithAlpha(pattern, 1, 1, 0x80), 4, 2, 0);
  const Image masked = WithAlpha(WithAlpha(TestPattern(16, 16), 0, 0, 0), 15, 3, 0);
  const Image bw = BlackAndWhite(11, 5);
  const Image sixteen = Sixteen(7, 4);
  return {
      {"png", [=] { return MakePng(alpha); }, PictureFormat::Png, alpha, 0, false},
      {"jpeg baseline", [=] { return MakeJpeg(blocks, 3, false); }, PictureFormat::Jpeg, blocks, 12, true},
      {"jpeg progressive", [=] { return MakeJpeg(blocks, 3, true); }, PictureFormat::Jpeg, blocks, 12, true},
      {"jpeg grey", [=] { return MakeJpeg(blocks, 1, false); }, PictureFormat::Jpeg, Grey(blocks), 6, true},
      {"jpeg cmyk", [=] { return MakeJpeg(blocks, 4, false); }, PictureFormat::Jpeg, blocks, 12, true},
      {"gif", [=] { return StillGif(pattern); }, PictureFormat::Gif, pattern, 0, false},
      {"bmp 24", [=] { return MakeBmp(pattern, BmpKind::Rgb24); }, PictureFormat::Bmp, pattern, 0, false},
      {"bmp 24 top-down", [=] { return MakeBmp(tall, BmpKind::Rgb24TopDown); }, PictureFormat::Bmp, tall, 0, false},
      {"bmp os/2", [=] { return MakeBmp(pattern, BmpKind::Core24); }, PictureFormat::Bmp, pattern, 0, false},
      {"bmp 8", [=] { return MakeBmp(pattern, BmpKind::Pal8); }, PictureFormat::Bmp, pattern, 0, false},
      {"bmp 4", [=] { return MakeBmp(tall, BmpKind::Pal4); }, PictureFormat::Bmp, tall, 0, false},
      {"bmp 1", [=] { return MakeBmp(bw, BmpKind::Pal1); }, PictureFormat::Bmp, bw, 0, false},
      {"bmp rle8", [=] { return MakeBmp(pattern, BmpKind::Rle8); }, PictureFormat::Bmp, pattern, 0, false},
      {"bmp rle4", [=] { return MakeBmp(pattern, BmpKind::Rle4); }, PictureFormat::Bmp, pattern, 0, false},
      {"bmp 565", [=] { return MakeBmp(pattern, BmpKind::Rgb16Bitfields); }, PictureFormat::Bmp, pattern, 0, false},
      {"bmp 555", [=] { return MakeBmp(pattern, BmpKind::Rgb16); }, PictureFormat::Bmp, pattern, 0, false},
      {"bmp v5 alpha", [=] { return MakeBmp(alpha, BmpKind::V5Alpha32); }, PictureFormat::Bmp, alpha, 0, false},
      {"bmp 32 unused alpha", [=] { return MakeBmp(pattern, BmpKind::Rgb32); }, PictureFormat::Bmp, pattern, 0, false},
      {"ico 32 alpha", [=] { return MakeIcon({{5, 3, MakeIconDib(alpha, 32)}}, false); }, PictureFormat::Icon, alpha, 0, false},
      {"ico 8 mask", [=] { return MakeIcon({{16, 16, MakeIconDib(masked, 8)}}, false); }, PictureFormat::Icon, masked, 0, false},
      {"ico png", [=] { return MakeIcon({{5, 3, MakePng(alpha)}}, false); }, PictureFormat::Icon, alpha, 0, false},
      {"ico largest entry", [=] { return MakeIcon({{5, 3, MakeIconDib(alpha, 32)}, {16, 16, MakeIconDib(masked, 8)}}, false); },
       PictureFormat::Icon, masked, 0, false, true},
      {"cur", [=] { return MakeIcon({{16, 16, MakeIconDib(masked, 8)}}, true); }, PictureFormat::Cursor, masked, 0, false},
      {"pcx 8", [=] { return MakePcx(pattern, PcxKind::Vga8); }, PictureFormat::Pcx, pattern, 0, false, true},
      {"pcx 24", [=] { return MakePcx(tall, PcxKind::Rgb24); }, PictureFormat::Pcx, tall, 0, false},
      {"pcx 1", [=] { return MakePcx(bw, PcxKind::Mono1); }, PictureFormat::Pcx, bw, 0, false},
      {"pcx 4 planes", [=] { return MakePcx(sixteen, PcxKind::Ega4Planes); }, PictureFormat::Pcx, sixteen, 0, false},
  };
}

TEST(DetectPictureFormat, RecognisesSignatures) {
  struct Case {
    const char* name;
    Bytes bytes;
    PictureFormat format;
  } cases[] = {
      {"jpeg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}, PictureFormat::Jpeg},
      {"png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, PictureFormat::Png},
      {"png cut to 6", {0x89, 'P', 'N', 'G', '\r', '\n'}, PictureFormat::Unknown},
      {"gif87a", {'G', 'I', 'F', '8', '7', 'a'}, PictureFormat::Gif},
      {"gif89a", {'G', 'I', 'F', '8', '9', 'a'}, PictureFormat::Gif},
      {"gif88a", {'G', 'I', 'F', '8', '8', 'a'}, PictureFormat::Unknown},
      {"bmp", {'B', 'M', 0, 0, 0, 0}, PictureFormat::Bmp},
      {"ico", {0, 0, 1, 0, 1, 0}, PictureFormat::Icon},
      {"cur", {0, 0, 2, 0, 3, 0}, PictureFormat::Cursor},
      {"ico without images", {0, 0, 1, 0, 0, 0}, PictureFormat::Unknown},
      {"pcx 5", {0x0A, 5, 1, 8, 0, 0}, PictureFormat::Pcx},
      {"pcx 0", {0x0A, 0, 1, 1, 0, 0}, PictureFormat::Pcx},
      {"pcx version 1", {0x0A, 1, 1, 8, 0, 0}, PictureFormat::Unknown},
      {"pcx not encoded", {0x0A, 5, 0, 8, 0, 0}, PictureFormat::Unknown},
      {"five jpeg bytes", {0xFF, 0xD8, 0xFF, 0xE0, 0}, PictureFormat::Unknown},
      {"five bmp bytes", {'B', 'M', 0, 0, 0}, PictureFormat::Unknown},
      {"empty", {}, PictureFormat::Unknown},
      {"html", {'<', 'h', 't', 'm', 'l', '>'}, PictureFormat::Unknown},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DetectPictureFormat(c.bytes.data(), c.bytes.size()), c.format) << c.name;
  }
}

TEST(DecodePicture, DecodesEveryFormat) {
  for (const StillCase& c : StillCases()) {
    SCOPED_TRACE(c.name);
    const Bytes data = c.make();
    EXPECT_EQ(DetectPictureFormat(data.data(), data.size()), c.format);
    Picture picture;
    std::string error;
    ASSERT_TRUE(DecodePicture(data.data(), data.size(), &picture, &error)) << error;
    ExpectPicture(picture, c.expected, c.tolerance, c.centres_only);
  }
}

TEST(DecodePicture, IconFallsBackWhenTheLargestImageIsBroken) {
  const Image small = TestPattern(5, 3);
  Bytes broken = MakeIconDib(TestPattern(32, 32), 32);
  broken[14] = 7;  // an unsupported bit depth
  const Bytes data = MakeIcon({{32, 32, broken}, {5, 3, MakeIconDib(small, 32)}}, false);
  Picture picture;
  std::string error;
  ASSERT_TRUE(DecodePicture(data.data(), data.size(), &picture, &error)) << error;
  ExpectPicture(picture, small, 0, false);
}

// Red 4x4 background; a blue 2x2 square that is cleared afterwards; a green dot drawn
// with index 3 transparent; a white square restored afterwards; a last empty-looking frame.
TEST(DecodePicture, AnimatedGifComposesFramesWithTheirDelays) {
  const std::vector<uint8_t> palette = {255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 255, 255};
  std::vector<GifFrame> frames(5);
  frames[0].width = frames[0].height = 4, frames[0].indices.assign(16, 0), frames[0].delay_cs = 0;
  frames[1].left = frames[1].top = 1, frames[1].width = frames[1].height = 2, frames[1].indices.assign(4, 1);
  frames[1].delay_cs = 5, frames[1].disposal = DISPOSE_BACKGROUND;
  frames[2].width = 2, frames[2].height = 1, frames[2].indices = {2, 3}, frames[2].transparent = 3;
  frames[2].delay_cs = 20;
  frames[3].left = 2, frames[3].top = 0, frames[3].width = frames[3].height = 2, frames[3].indices.assign(4, 3);
  frames[3].delay_cs = 1, frames[3].disposal = DISPOSE_PREVIOUS;
  frames[4].width = frames[4].height = 1, frames[4].indices = {3}, frames[4].transparent = 3, frames[4].delay_cs = 100;
  const Bytes data = MakeGif(4, 4, palette, frames);
  Picture picture;
  std::string error;
  ASSERT_TRUE(DecodePicture(data.data(), data.size(), &picture, &error)) << error;
  ASSERT_EQ(picture.width, 4);
  ASSERT_EQ(picture.height, 4);
  ASSERT_EQ(picture.frames.size(), 5u);
  const int delays[5] = {100, 50, 200, 100, 1000};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(picture.frames[i].delay_ms, delays[i]) << i;

  const Rgba red{255, 0, 0, 255}, blue{0, 0, 255, 255}, green{0, 255, 0, 255}, white{255, 255, 255, 255},
      clear{0, 0, 0, 0};
  struct Check {
    size_t frame;
    int x, y;
    Rgba colour;
  } checks[] = {
      {0, 0, 0, red},  {0, 3, 3, red},   {1, 1, 1, blue},   {1, 2, 2, blue},  {1, 0, 0, red},
      {2, 1, 1, clear}, {2, 2, 2, clear}, {2, 0, 0, green}, {2, 1, 0, red},   {2, 3, 3, red},
      {3, 2, 0, white}, {3, 3, 1, white}, {3, 0, 0, green}, {3, 1, 1, clear}, {4, 2, 0, red},
      {4, 3, 1, red},  {4, 0, 0, green}, {4, 2, 2, clear},
  };
  for (const Check& c : checks) {
    const Rgba got = PixelOf(picture, c.frame, c.x, c.y);
    EXPECT_TRUE(std::memcmp(&got, &c.colour, 4) == 0)
        << "frame " << c.frame << " at " << c.x << "," << c.y << ": " << Show(got);
  }
}

TEST(DecodePicture, InterlacedGifRowsComeOutInOrder) {
  const std::vector<uint8_t> palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  GifFrame f;
  f.width = 2, f.height = 11, f.interlaced = true;
  for (int y = 0; y < 11; ++y) f.indices.push_back(uint8_t(y % 4)), f.indices.push_back(uint8_t((y / 4) % 4));
  const Bytes data = MakeGif(2, 11, palette, {f});
  Picture picture;
  std::string error;
  ASSERT_TRUE(DecodePicture(data.data(), data.size(), &picture, &error)) << error;
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 2; ++x) {
      const int index = f.indices[size_t(y) * 2 + x];
      const Rgba got = PixelOf(picture, 0, x, y);
      EXPECT_EQ(got.r, palette[index * 3]) << x << "," << y;
      EXPECT_EQ(got.g, palette[index * 3 + 1]) << x << "," << y;
      EXPECT_EQ(got.b, palette[index * 3 + 2]) << x << "," << y;
    }
  }
}

Bytes ManyFrameGif(int count, int side) {
  std::vector<GifFrame> frames(count);
  for (int i = 0; i < count; ++i) {
    frames[i].width = frames[i].height = side;
    frames[i].indices.assign(size_t(side) * side, uint8_t(i % 2));
    frames[i].delay_cs = 2;
  }
  return MakeGif(side, side, {0, 0, 0, 255, 255, 255}, frames);
}

TEST(DecodePicture, GifFrameCountIsCapped) {
  const Bytes data = ManyFrameGif(int(kMaxGifFrames) + 200, 1);
  Picture picture;
  std::string error;
  ASSERT_TRUE(DecodePicture(data.data(), data.size(), &picture, &error)) << error;
  EXPECT_EQ(picture.frames.size(), kMaxGifFrames);
  EXPECT_EQ(PixelOf(picture, kMaxGifFrames - 1, 0, 0).r, 255);
}

TEST(DecodePicture, GifDecodedBytesAreCapped) {
  const Bytes data = ManyFrameGif(10, 16);
  picture_internal::GifLimits limits;
  limits.max_bytes = 3 * 16 * 16 * 4 + 100;
  Picture picture;
  std::string error;
  ASSERT_TRUE(picture_internal::DecodeGif(data.data(), data.size(), limits, &picture, &error)) << error;
  EXPECT_EQ(picture.frames.size(), 3u);
}

// Cut at every length, every fixture either decodes to a consistent picture or fails
// with a reason; cut in half, it fails.
TEST(DecodePicture, TruncatedDataNeverCrashes) {
  for (const StillCase& c : StillCases()) {
    SCOPED_TRACE(c.name);
    const Bytes data = c.make();
    for (size_t length = 0; length < data.size(); ++length) {
      const Bytes cut(data.begin(), data.begin() + length);
      Picture picture;
      std::string error;
      if (DecodePicture(cut.data(), cut.size(), &picture, &error)) {
        ASSERT_EQ(picture.frames.size(), 1u) << length;
        ASSERT_EQ(picture.frames[0].rgba.size(), size_t(picture.width) * picture.height * 4) << length;
      } else {
        ASSERT_FALSE(error.empty()) << length;
        ASSERT_TRUE(picture.frames.empty()) << length;
        ASSERT_EQ(picture.width, 0) << length;
      }
    }
    Picture picture;
    std::string error;
    EXPECT_EQ(DecodePicture(data.data(), data.size() / 2, &picture, &error), c.survives_half_cut);
  }
}

void PatchIhdr(Bytes* png, uint32_t width, uint32_t height) {
  for (int i = 0; i < 4; ++i) {
    (*png)[16 + i] = uint8_t(width >> (24 - 8 * i));
    (*png)[20 + i] = uint8_t(height >> (24 - 8 * i));
  }
  const uint32_t crc = uint32_t(crc32(0, png->data() + 12, 17));
  for (int i = 0; i < 4; ++i) (*png)[29 + i] = uint8_t(crc >> (24 - 8 * i));
}

void PatchJpegSize(Bytes* jpeg, unsigned width, unsigned height) {
  for (size_t i = 2; i + 9 < jpeg->size(); ++i) {
    if ((*jpeg)[i] == 0xFF && ((*jpeg)[i + 1] == 0xC0 || (*jpeg)[i + 1] == 0xC2)) {
      (*jpeg)[i + 5] = uint8_t(height >> 8), (*jpeg)[i + 6] = uint8_t(height);
      (*jpeg)[i + 7] = uint8_t(width >> 8), (*jpeg)[i + 8] = uint8_t(width);
      return;
    }
  }
}

void Put32At(Bytes* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = uint8_t(v >> (8 * i));
}

struct BrokenCase {
  const char* name;
  std::function<Bytes()> make;
  const char* error_part;  // expected in the reason, or empty
};

TEST(DecodePicture, BrokenAndHostileDataFails) {
  const Image pattern = TestPattern(5, 3);
  const BrokenCase cases[] = {
      {"jpeg garbage after the signature", [] { return Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 1, 2, 0xFF, 0xD9}; }, ""},
      {"jpeg cut short", [] { Bytes b = MakeJpeg(BlockPattern(64, 64), 3, false); b.resize(b.size() - 200); return b; }, ""},
      {"jpeg absurd size", [] { Bytes b = MakeJpeg(BlockPattern(16, 16), 3, false); PatchJpegSize(&b, 60000, 16); return b; }, "too large"},
      {"jpeg too many pixels", [] { Bytes b = MakeJpeg(BlockPattern(16, 16), 3, false); PatchJpegSize(&b, 16000, 16000); return b; }, "too large"},
      {"png bad header crc", [=] { Bytes b = MakePng(pattern); b[30] ^= 1; return b; }, ""},
      {"png absurd size", [=] { Bytes b = MakePng(pattern); PatchIhdr(&b, 20000, 1); return b; }, "too large"},
      {"png too many pixels", [=] { Bytes b = MakePng(pattern); PatchIhdr(&b, 10000, 10000); return b; }, "too large"},
      {"png size the data cannot fill", [=] { Bytes b = MakePng(pattern); PatchIhdr(&b, 8000, 8000); return b; }, "too short"},
      {"gif header only", [] { return Bytes{'G', 'I', 'F', '8', '9', 'a'}; }, ""},
      {"gif without frames", [] { return Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}; }, ""},
      {"gif absurd screen", [=] { Bytes b = StillGif(pattern); b[6] = b[7] = b[8] = b[9] = 0xFF; return b; }, "too large"},
      {"gif absurd frame", [] {
         GifFrame f;
         f.width = 20000, f.height = 1, f.indices.assign(20000, 0);
         return MakeGif(1, 1, {0, 0, 0, 255, 255, 255}, {f}); }, "too large"},
      {"bmp bad header size", [=] { Bytes b = MakeBmp(pattern, BmpKind::Rgb24); Put32At(&b, 14, 7); return b; }, ""},
      {"bmp pixel offset past the end", [=] { Bytes b = MakeBmp(pattern, BmpKind::Rgb24); Put32At(&b, 10, 100000); return b; }, ""},
      {"bmp absurd width", [=] { Bytes b = MakeBmp(pattern, BmpKind::Rgb24); Put32At(&b, 18, 100000); return b; }, "too large"},
      {"bmp too many pixels", [=] { Bytes b = MakeBmp(pattern, BmpKind::Rgb24); Put32At(&b, 18, 16384); Put32At(&b, 22, 16384); return b; }, "too large"},
      {"bmp most negative height", [=] { Bytes b = MakeBmp(pattern, BmpKind::Rgb24); Put32At(&b, 22, 0x80000000u); return b; }, "too large"},
      {"bmp pixels cut short", [=] { Bytes b = MakeBmp(TestPattern(1000, 1000), BmpKind::Rgb24); b.resize(3000); return b; }, "cut short"},
      {"ico image past the end", [=] { Bytes b = MakeIcon({{5, 3, MakeIconDib(pattern, 32)}}, false); Put32At(&b, 18, 1 << 20); return b; }, ""},
      {"ico directory cut short", [] { return Bytes{0, 0, 1, 0, 40, 0, 5, 3, 0, 0}; }, "cut short"},
      {"ico absurd image", [=] { Bytes d = MakeIconDib(pattern, 32); Put32At(&d, 4, 0x7FFFFFFF); return MakeIcon({{5, 3, d}}, false); }, "too large"},
      {"pcx unsupported depth", [=] { Bytes b = MakePcx(pattern, PcxKind::Vga8); b[3] = 3; return b; }, "unsupported"},
      {"pcx inverted window", [=] { Bytes b = MakePcx(pattern, PcxKind::Vga8); b[8] = 0, b[4] = 5; return b; }, ""},
      {"pcx absurd width", [=] { Bytes b = MakePcx(pattern, PcxKind::Vga8); b[8] = 0x40, b[9] = 0x9C; return b; }, "too large"},
      {"pcx short lines", [=] { Bytes b = MakePcx(pattern, PcxKind::Vga8); b[66] = 2, b[67] = 0; return b; }, ""},
      {"pcx size the data cannot fill", [=] { Bytes b = MakePcx(pattern, PcxKind::Rgb24); b[8] = b[10] = 0xFF, b[9] = b[11] = 0x0F; b[66] = 0, b[67] = 0x10; return b; }, "cut short"},
      {"html", [] { const char* t = "<html><body>not found</body></html>"; return Bytes(t, t + std::strlen(t)); }, "unrecognised"},
      {"five bytes", [] { return Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0}; }, "unrecognised"},
  };
  for (const BrokenCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes data = c.make();
    Picture picture;
    picture.width = 7;
    picture.frames.resize(1);
    std::string error;
    EXPECT_FALSE(DecodePicture(data.data(), data.size(), &picture, &error));
    EXPECT_NE(error.find(c.error_part), std::string::npos) << error;
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(picture.frames.empty());
    EXPECT_EQ(picture.width, 0);
    EXPECT_EQ(picture.height, 0);
  }
}

TEST(DecodePicture, EmptyInputFails) {
  Picture picture;
  std::string error;
  EXPECT_FALSE(DecodePicture(nullptr, 0, &picture, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace

namespace {
// A 16-bit grey PNG written by hand, as many scanners write it: no gAMA, sRGB or ICC chunk.
Bytes UntaggedSixteenBitGreyPng(int width, int height, uint16_t sample) {
  auto put32 = [](Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
  };
  auto chunk = [&](Bytes& out, const char* type, const Bytes& body) {
    put32(out, uint32_t(body.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put32(out, uint32_t(crc32(0, typed.data(), uInt(typed.size()))));
  };
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes header;
  put32(header, uint32_t(width));
  put32(header, uint32_t(height));
  header.insert(header.end(), {16, 0, 0, 0, 0});  // 16-bit grey, no interlace
  chunk(png, "IHDR", header);
  Bytes rows;
  for (int y = 0; y < height; ++y) {
    rows.push_back(0);  // no filter
    for (int x = 0; x < width; ++x) rows.insert(rows.end(), {uint8_t(sample >> 8), uint8_t(sample)});
  }
  uLongf packed_size = compressBound(uLong(rows.size()));
  Bytes packed(packed_size);
  compress(packed.data(), &packed_size, rows.data(), uLong(rows.size()));
  packed.resize(packed_size);
  chunk(png, "IDAT", packed);
  chunk(png, "IEND", {});
  return png;
}
}  // namespace

TEST(DecodePicture, SixteenBitPngWithoutColourChunksIsScaledNotBrightened) {
  const Bytes png = UntaggedSixteenBitGreyPng(4, 3, 0x8080);
  Picture picture;
  std::string error;
  ASSERT_TRUE(DecodePicture(png.data(), png.size(), &picture, &error)) << error;
  ASSERT_EQ(picture.frames.size(), 1u);
  for (size_t i = 0; i < picture.frames[0].rgba.size(); i += 4) {
    EXPECT_NEAR(picture.frames[0].rgba[i], 0x80, 1);
    EXPECT_EQ(picture.frames[0].rgba[i + 3], 255);
  }
}
