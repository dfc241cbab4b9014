#include "common/picture/picture_fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace {

const Rgba kColours[4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};

void Put16(Bytes* b, unsigned v) {
  b->push_back(uint8_t(v));
  b->push_back(uint8_t(v >> 8));
}
void Put32(Bytes* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
bool Same(const Rgba& a, const Rgba& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// The distinct colours of an image, and each pixel's index among them.
struct Indexed {
  std::vector<Rgba> palette;
  std::vector<uint8_t> indices;
};
Indexed ToIndexed(const Image& image, size_t max_colours) {
  Indexed out;
  for (const Rgba& p : image.pixels) {
    size_t i = 0;
    while (i < out.palette.size() && !Same(out.palette[i], p)) ++i;
    if (i == out.palette.size()) out.palette.push_back(p);
    out.indices.push_back(uint8_t(i));
  }
  if (out.palette.size() > max_colours) throw std::runtime_error("too many colours");
  out.palette.resize(max_colours, Rgba{0, 0, 0, 255});
  return out;
}

int GifWrite(GifFileType* gif, const GifByteType* data, int length) {
  Bytes* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

}  // namespace

Image TestPattern(int width, int height) {
  Image image;
  image.width = width;
  image.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.pixels.push_back(kColours[(x + 2 * y) % 4]);
  }
  return image;
}

Image BlockPattern(int width, int height) {
  Image image;
  image.width = width;
  image.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.pixels.push_back(kColours[(x / 8 + 2 * (y / 8)) % 4]);
  }
  return image;
}

Bytes MakePng(const Image& image) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = image.width;
  png.height = image.height;
  png.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, image.pixels.data(), 0, nullptr)) {
    throw std::runtime_error(png.message);
  }
  Bytes out(size);
  if (!png_image_write_to_memory(&png, out.data(), &size, 0, image.pixels.data(), 0, nullptr)) {
    throw std::runtime_error(png.message);
  }
  out.resize(size);
  return out;
}

Bytes MakeJpeg(const Image& image, int components, bool progressive) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = image.width;
  cinfo.image_height = image.height;
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  if (components == 4) jpeg_set_colorspace(&cinfo, JCS_CMYK);  // writes the Adobe marker
  jpeg_set_quality(&cinfo, 95, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(size_t(image.width) * components);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgba p = image.At(x, y);
      uint8_t* d = &row[size_t(x) * components];
      if (components == 1) {
        d[0] = p.r;
      } else {
        // Inverted CMYK with no black is the RGB values themselves, then 255.
        d[0] = p.r, d[1] = p.g, d[2] = p.b;
        if (components == 4) d[3] = 255;
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  free(buffer);
  return out;
}

Bytes MakeGif(int width, int height, const std::vector<uint8_t>& palette,
              const std::vector<GifFrame>& frames) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, GifWrite, &error);
  if (!gif) throw std::runtime_error("EGifOpen");
  const int count = int(palette.size() / 3);
  ColorMapObject* map = GifMakeMapObject(count, nullptr);
  for (int i = 0; i < count; ++i) {
    map->Colors[i].Red = palette[i * 3];
    map->Colors[i].Green = palette[i * 3 + 1];
    map->Colors[i].Blue = palette[i * 3 + 2];
  }
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) != GIF_ERROR;
  for (const GifFrame& f : frames) {
    GraphicsControlBlock gcb;
    gcb.DisposalMode = f.disposal;
    gcb.UserInputFlag = false;
    gcb.DelayTime = f.delay_cs;
    gcb.TransparentColor = f.transparent;
    GifByteType ext[4];
    const size_t length = EGifGCBToExtension(&gcb, ext);
    ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), ext) != GIF_ERROR;
    ok = ok && EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, nullptr) != GIF_ERROR;
    // Interlaced frames are written in pass order: rows 0, 8, ..., then 4, 12, ..., and so on.
    std::vector<int> order;
    if (f.interlaced) {
      const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int p = 0; p < 4; ++p) {
        for (int y = start[p]; y < f.height; y += step[p]) order.push_back(y);
      }
    } else {
      for (int y = 0; y < f.height; ++y) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> line(f.indices.begin() + size_t(y) * f.width,
                                     f.indices.begin() + size_t(y + 1) * f.width);
      ok = ok && EGifPutLine(gif, line.data(), f.width) != GIF_ERROR;
    }
  }
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) == GIF_ERROR || !ok) throw std::runtime_error("EGif");
  return out;
}

Bytes MakeBmp(const Image& image, BmpKind kind) {
  int bpp = 24, header = 40;
  uint32_t compression = 0;
  switch (kind) {
    case BmpKind::Core24: header = 12; break;
    case BmpKind::Pal8: bpp = 8; break;
    case BmpKind::Pal4: bpp = 4; break;
    case BmpKind::Pal1: bpp = 1; break;
    case BmpKind::Rle8: bpp = 8, compression = 1; break;
    case BmpKind::Rle4: bpp = 4, compression = 2; break;
    case BmpKind::Rgb16Bitfields: bpp = 16, compression = 3; break;
    case BmpKind::Rgb16: bpp = 16; break;
    case BmpKind::V5Alpha32: bpp = 32, compression = 3, header = 124; break;
    case BmpKind::Rgb32: bpp = 32; break;
    default: break;
  }
  const int w = image.width, h = image.height;
  const bool top_down = kind == BmpKind::Rgb24TopDown;
  Indexed indexed;
  if (bpp <= 8) indexed = ToIndexed(image, size_t(1) << bpp);

  Bytes dib;
  Put32(&dib, uint32_t(header));
  if (header == 12) {
    Put16(&dib, w), Put16(&dib, h), Put16(&dib, 1), Put16(&dib, bpp);
  } else {
    Put32(&dib, uint32_t(w)), Put32(&dib, uint32_t(top_down ? -h : h)), Put16(&dib, 1), Put16(&dib, bpp);
    Put32(&dib, compression), Put32(&dib, 0), Put32(&dib, 2835), Put32(&dib, 2835);
    Put32(&dib, 0), Put32(&dib, 0);
    if (header == 124) {
      Put32(&dib, 0x00FF0000), Put32(&dib, 0x0000FF00), Put32(&dib, 0x000000FF), Put32(&dib, 0xFF000000);
      Put32(&dib, 0x73524742);  // 'sRGB'
      dib.resize(124, 0);
    }
  }
  if (kind == BmpKind::Rgb16Bitfields) Put32(&dib, 0xF800), Put32(&dib, 0x07E0), Put32(&dib, 0x001F);
  for (const Rgba& c : indexed.palette) {
    dib.push_back(c.b), dib.push_back(c.g), dib.push_back(c.r);
    if (header != 12) dib.push_back(0);
  }

  Bytes pixels;
  const size_t stride = ((size_t(w) * bpp + 31) / 32) * 4;
  for (int r = 0; r < h; ++r) {
    const int y = top_down ? r : h - 1 - r;
    const uint8_t* idx = indexed.indices.empty() ? nullptr : &indexed.indices[size_t(y) * w];
    if (compression == 1) {
      if (w >= 3) {
        pixels.push_back(0), pixels.push_back(uint8_t(w));
        pixels.insert(pixels.end(), idx, idx + w);
        if (w % 2) pixels.push_back(0);
      } else {
        for (int x = 0; x < w; ++x) pixels.push_back(1), pixels.push_back(idx[x]);
      }
      pixels.push_back(0), pixels.push_back(0);
      continue;
    }
    if (compression == 2) {
      // Count 2 alternates the two nibbles of the value.
      for (int x = 0; x < w; x += 2) {
        const int n = x + 1 < w ? 2 : 1;
        pixels.push_back(uint8_t(n));
        pixels.push_back(uint8_t((idx[x] << 4) | (n == 2 ? idx[x + 1] : 0)));
      }
      pixels.push_back(0), pixels.push_back(0);
      continue;
    }
    Bytes row(stride, 0);
    for (int x = 0; x < w; ++x) {
      const Rgba p = image.At(x, y);
      if (bpp <= 8) {
        row[size_t(x) * bpp / 8] |= uint8_t(idx[x] << (8 - bpp - (x * bpp) % 8));
      } else if (bpp == 16) {
        const unsigned v = kind == BmpKind::Rgb16
                               ? ((p.r >> 3) << 10) | ((p.g >> 3) << 5) | (p.b >> 3)
                               : ((p.r >> 3) << 11) | ((p.g >> 2) << 5) | (p.b >> 3);
        row[size_t(x) * 2] = uint8_t(v), row[size_t(x) * 2 + 1] = uint8_t(v >> 8);
      } else {
        uint8_t* d = &row[size_t(x) * bpp / 8];
        d[0] = p.b, d[1] = p.g, d[2] = p.r;
        if (bpp == 32) d[3] = kind == BmpKind::V5Alpha32 ? p.a : 0;
      }
    }
    pixels.insert(pixels.end(), row.begin(), row.end());
  }
  if (compression == 1 || compression == 2) pixels.push_back(0), pixels.push_back(1);

  Bytes out = {'B', 'M'};
  Put32(&out, uint32_t(14 + dib.size() + pixels.size()));
  Put32(&out, 0);
  Put32(&out, uint32_t(14 + dib.size()));
  out.insert(out.end(), dib.begin(), dib.end());
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

Bytes MakeIconDib(const Image& image, int bpp) {
  const int w = image.width, h = image.height;
  Indexed indexed;
  if (bpp == 8) indexed = ToIndexed(image, 256);
  Bytes dib;
  Put32(&dib, 40), Put32(&dib, uint32_t(w)), Put32(&dib, uint32_t(2 * h)), Put16(&dib, 1), Put16(&dib, bpp);
  for (int i = 0; i < 6; ++i) Put32(&dib, 0);
  for (const Rgba& c : indexed.palette) dib.push_back(c.b), dib.push_back(c.g), dib.push_back(c.r), dib.push_back(0);
  const size_t stride = ((size_t(w) * bpp + 31) / 32) * 4;
  for (int r = 0; r < h; ++r) {
    const int y = h - 1 - r;
    Bytes row(stride, 0);
    for (int x = 0; x < w; ++x) {
      const Rgba p = image.At(x, y);
      if (bpp == 8) {
        row[size_t(x)] = indexed.indices[size_t(y) * w + x];
      } else {
        row[size_t(x) * 4] = p.b, row[size_t(x) * 4 + 1] = p.g, row[size_t(x) * 4 + 2] = p.r,
                         row[size_t(x) * 4 + 3] = p.a;
      }
    }
    dib.insert(dib.end(), row.begin(), row.end());
  }
  const size_t mask_stride = ((size_t(w) + 31) / 32) * 4;
  for (int r = 0; r < h; ++r) {
    const int y = h - 1 - r;
    Bytes row(mask_stride, 0);
    for (int x = 0; x < w; ++x) {
      if (bpp == 8 && image.At(x, y).a < 128) row[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
    }
    dib.insert(dib.end(), row.begin(), row.end());
  }
  return dib;
}

Bytes MakeIcon(const std::vector<IconEntry>& entries, bool cursor) {
  Bytes out;
  Put16(&out, 0), Put16(&out, cursor ? 2 : 1), Put16(&out, unsigned(entries.size()));
  size_t offset = 6 + 16 * entries.size();
  for (const IconEntry& e : entries) {
    out.push_back(uint8_t(e.width & 0xFF)), out.push_back(uint8_t(e.height & 0xFF));
    out.push_back(0), out.push_back(0);
    Put16(&out, 1), Put16(&out, cursor ? 2 : 32);  // hot spot x and y, or planes and depth
    Put32(&out, uint32_t(e.data.size())), Put32(&out, uint32_t(offset));
    offset += e.data.size();
  }
  for (const IconEntry& e : entries) out.insert(out.end(), e.data.begin(), e.data.end());
  return out;
}

Bytes MakePcx(const Image& image, PcxKind kind) {
  const int w = image.width, h = image.height;
  int bpp = 8, planes = 1;
  size_t colours = 256;
  if (kind == PcxKind::Rgb24) planes = 3;
  if (kind == PcxKind::Mono1) bpp = 1, colours = 2;
  if (kind == PcxKind::Ega4Planes) bpp = 1, planes = 4, colours = 16;
  Indexed indexed;
  if (kind != PcxKind::Rgb24) indexed = ToIndexed(image, colours);
  if (kind == PcxKind::Mono1) {
    // Mono pictures are black (0) and white (1) whatever the palette says.
    for (size_t i = 0; i < image.pixels.size(); ++i) indexed.indices[i] = image.pixels[i].r ? 1 : 0;
  }
  size_t bytes_per_line = (size_t(w) * bpp + 7) / 8;
  bytes_per_line += bytes_per_line % 2;
  Bytes out(128, 0);
  out[0] = 0x0A, out[1] = 5, out[2] = 1, out[3] = uint8_t(bpp);
  out[8] = uint8_t(w - 1), out[9] = uint8_t((w - 1) >> 8), out[10] = uint8_t(h - 1), out[11] = uint8_t((h - 1) >> 8);
  out[12] = 72, out[14] = 72;
  if (kind == PcxKind::Ega4Planes) {
    for (size_t i = 0; i < 16; ++i) {
      out[16 + i * 3] = indexed.palette[i].r, out[17 + i * 3] = indexed.palette[i].g, out[18 + i * 3] = indexed.palette[i].b;
    }
  }
  out[65] = uint8_t(planes);
  out[66] = uint8_t(bytes_per_line), out[67] = uint8_t(bytes_per_line >> 8);
  out[68] = 1;
  for (int y = 0; y < h; ++y) {
    for (int p = 0; p < planes; ++p) {
      Bytes line(bytes_per_line, 0);
      for (int x = 0; x < w; ++x) {
        if (kind == PcxKind::Rgb24) {
          const Rgba c = image.At(x, y);
          line[size_t(x)] = p == 0 ? c.r : p == 1 ? c.g : c.b;
        } else if (bpp == 8) {
          line[size_t(x)] = indexed.indices[size_t(y) * w + x];
        } else if ((indexed.indices[size_t(y) * w + x] >> p) & 1) {
          line[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
        }
      }
      for (size_t i = 0; i < line.size();) {
        size_t run = 1;
        while (i + run < line.size() && run < 63 && line[i + run] == line[i]) ++run;
        if (run > 1 || line[i] >= 0xC0) out.push_back(uint8_t(0xC0 | run));
        out.push_back(line[i]);
        i += run;
      }
    }
  }
  if (kind == PcxKind::Vga8) {
    out.push_back(12);
    for (const Rgba& c : indexed.palette) out.push_back(c.r), out.push_back(c.g), out.push_back(c.b);
  }
  return out;
}
