#include "converter/test_pictures.h"

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>

Pixels PatternPixels(int width, int height, int variant, bool with_alpha, bool grey) {
  Pixels pixels{width, height, std::vector<uint8_t>(size_t(width) * height * 4)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &pixels.rgba[(size_t(y) * width + x) * 4];
      p[0] = static_cast<uint8_t>(x * 7 + y * 3 + variant * 31);
      p[1] = grey ? p[0] : static_cast<uint8_t>(x * 2 + y * 11 + variant * 17);
      p[2] = grey ? p[0] : static_cast<uint8_t>((x ^ y) * 5 + variant * 53);
      p[3] = with_alpha ? static_cast<uint8_t>((x * 13 + y * 5) % 256) : 255;
    }
  }
  return pixels;
}

Pixels FewColourPixels(int width, int height, int colours, bool with_transparency) {
  static const uint8_t kTable[16][4] = {
      {255, 0, 0, 255},   {0, 160, 0, 255},   {0, 0, 255, 255},   {250, 250, 250, 255},
      {20, 20, 20, 255},  {200, 200, 0, 255}, {0, 200, 200, 255}, {200, 0, 200, 255},
      {128, 64, 0, 255},  {64, 128, 255, 255}, {10, 90, 40, 255}, {240, 120, 60, 255},
      {90, 90, 90, 255},  {170, 170, 170, 255}, {255, 200, 220, 255}, {30, 60, 120, 255}};
  Pixels pixels{width, height, std::vector<uint8_t>(size_t(width) * height * 4)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int index = (x / 2 + y / 3 + (x * y) % 5) % colours;
      uint8_t* p = &pixels.rgba[(size_t(y) * width + x) * 4];
      for (int c = 0; c < 4; ++c) p[c] = kTable[index][c];
      if (with_transparency && index == 0) p[3] = 0;
      if (with_transparency && index == 1) p[3] = 128;
    }
  }
  return pixels;
}

std::string MakeJpeg(const Pixels& pixels, const JpegOptions& options) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(pixels.width);
  cinfo.image_height = static_cast<JDIMENSION>(pixels.height);
  cinfo.input_components = options.components;
  cinfo.in_color_space = options.components == 1 ? JCS_GRAYSCALE : options.components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, options.quality, TRUE);
  if (options.progressive) jpeg_simple_progression(&cinfo);
  cinfo.density_unit = static_cast<UINT8>(options.density_unit);
  cinfo.X_density = static_cast<UINT16>(options.x_density);
  cinfo.Y_density = static_cast<UINT16>(options.y_density);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(size_t(pixels.width) * options.components);
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* source = &pixels.rgba[size_t(cinfo.next_scanline) * pixels.width * 4];
    for (int x = 0; x < pixels.width; ++x) {
      for (int c = 0; c < options.components; ++c) {
        // CMYK is stored the Adobe way (inverted): no cyan, magenta or yellow ink, and black
        // ink for the red sample, so the picture shows the red samples as grey.
        row[size_t(x) * options.components + c] = options.components == 4 ? (c < 3 ? 255 : source[x * 4]) : source[x * 4 + c];
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string jpeg(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return jpeg;
}

namespace {
void AppendToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

void Put16(std::vector<uint8_t>* row, uint8_t value) {
  const int wide = value * 257 + (value < 128 ? 100 : -100);
  row->push_back(static_cast<uint8_t>(wide >> 8));
  row->push_back(static_cast<uint8_t>(wide & 255));
}
}  // namespace

std::string MakePng(const Pixels& pixels, const PngOptions& options) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("png write failed");
  }
  png_set_write_fn(png, &out, AppendToString, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(pixels.width), static_cast<png_uint_32>(pixels.height),
               options.bit_depth, options.color_type,
               options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (options.pixels_per_metre) {
    png_set_pHYs(png, info, options.pixels_per_metre, options.pixels_per_metre, PNG_RESOLUTION_METER);
  }
  std::map<uint32_t, int> index_of;
  if (options.color_type == 3) {
    std::vector<png_color> palette;
    std::vector<png_byte> alpha;
    for (size_t i = 0; i < pixels.rgba.size(); i += 4) {
      const uint32_t key = uint32_t(pixels.rgba[i]) << 24 | uint32_t(pixels.rgba[i + 1]) << 16 |
                           uint32_t(pixels.rgba[i + 2]) << 8 | pixels.rgba[i + 3];
      if (index_of.count(key)) continue;
      index_of[key] = static_cast<int>(palette.size());
      palette.push_back(png_color{pixels.rgba[i], pixels.rgba[i + 1], pixels.rgba[i + 2]});
      alpha.push_back(pixels.rgba[i + 3]);
    }
    if (palette.size() > (1u << options.bit_depth)) throw std::runtime_error("too many colours");
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    bool translucent = false;
    for (png_byte a : alpha) translucent = translucent || a != 255;
    if (translucent) png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha.size()), nullptr);
  } else if (options.color_key) {
    png_color_16 key{};
    key.gray = static_cast<png_uint_16>(options.key_red);
    key.red = static_cast<png_uint_16>(options.key_red);
    key.green = static_cast<png_uint_16>(options.key_green);
    key.blue = static_cast<png_uint_16>(options.key_blue);
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  if (options.color_type == 3 && options.bit_depth < 8) png_set_packing(png);

  const bool wide = options.bit_depth == 16;
  std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(pixels.height));
  for (int y = 0; y < pixels.height; ++y) {
    std::vector<uint8_t>& row = rows[static_cast<size_t>(y)];
    for (int x = 0; x < pixels.width; ++x) {
      const uint8_t* p = &pixels.rgba[(size_t(y) * pixels.width + x) * 4];
      std::vector<uint8_t> samples;
      switch (options.color_type) {
        case 0: samples = {p[0]}; break;
        case 2: samples = {p[0], p[1], p[2]}; break;
        case 4: samples = {p[0], p[3]}; break;
        case 6: samples = {p[0], p[1], p[2], p[3]}; break;
        case 3: {
          const uint32_t key = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
          row.push_back(static_cast<uint8_t>(index_of[key]));
          continue;
        }
      }
      for (uint8_t sample : samples) {
        if (wide) {
          Put16(&row, sample);
        } else {
          row.push_back(sample);
        }
      }
    }
  }
  std::vector<png_bytep> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::string MakeBmp(const Pixels& pixels, int pixels_per_metre) {
  const size_t stride = (size_t(pixels.width) * 3 + 3) & ~size_t(3);
  const uint32_t data_size = static_cast<uint32_t>(stride * pixels.height);
  std::string bmp;
  auto put16 = [&](uint32_t v) { bmp += char(v & 255); bmp += char((v >> 8) & 255); };
  auto put32 = [&](uint32_t v) { put16(v & 0xFFFF); put16(v >> 16); };
  bmp += "BM";
  put32(54 + data_size);
  put32(0);
  put32(54);
  put32(40);
  put32(static_cast<uint32_t>(pixels.width));
  put32(static_cast<uint32_t>(pixels.height));  // bottom-up
  put16(1);
  put16(24);
  put32(0);
  put32(data_size);
  put32(static_cast<uint32_t>(pixels_per_metre));
  put32(static_cast<uint32_t>(pixels_per_metre));
  put32(0);
  put32(0);
  for (int y = pixels.height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < pixels.width; ++x) {
      const uint8_t* p = &pixels.rgba[(size_t(y) * pixels.width + x) * 4];
      row += char(p[2]);
      row += char(p[1]);
      row += char(p[0]);
    }
    row.resize(stride, '\0');
    bmp += row;
  }
  return bmp;
}

namespace {
int AppendGif(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), size_t(length));
  return length;
}
}  // namespace

std::string MakeGif(const Pixels& pixels) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, AppendGif, &error);
  if (gif == nullptr) throw std::runtime_error("gif open failed");
  std::map<uint32_t, int> index_of;
  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  int transparent = -1;
  for (size_t i = 0; i < pixels.rgba.size(); i += 4) {
    const bool clear = pixels.rgba[i + 3] == 0;
    const uint32_t key = clear ? 0xFFFFFFFFu
                               : (uint32_t(pixels.rgba[i]) << 16 | uint32_t(pixels.rgba[i + 1]) << 8 | pixels.rgba[i + 2]);
    if (index_of.count(key)) continue;
    const int index = static_cast<int>(index_of.size());
    if (index >= 256) throw std::runtime_error("too many colours");
    index_of[key] = index;
    if (clear) transparent = index;
    map->Colors[index] = GifColorType{pixels.rgba[i], pixels.rgba[i + 1], pixels.rgba[i + 2]};
  }
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, pixels.width, pixels.height, 8, 0, map);
  if (transparent >= 0) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.TransparentColor = transparent;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension);
  }
  EGifPutImageDesc(gif, 0, 0, pixels.width, pixels.height, false, nullptr);
  std::vector<GifPixelType> line(static_cast<size_t>(pixels.width));
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      const uint8_t* p = &pixels.rgba[(size_t(y) * pixels.width + x) * 4];
      const uint32_t key = p[3] == 0 ? 0xFFFFFFFFu : (uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
      line[static_cast<size_t>(x)] = static_cast<GifPixelType>(index_of[key]);
    }
    EGifPutLine(gif, line.data(), pixels.width);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}
