#include "converter/picture_headers.h"

#include <zlib.h>

#include <cstring>

namespace {
uint32_t Big16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
uint32_t Big32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool IsStartOfFrame(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

void ReadJfif(const uint8_t* segment, size_t length, Resolution* resolution) {
  if (length < 12 || std::memcmp(segment, "JFIF\0", 5) != 0) return;
  const int units = segment[7];
  const double x = Big16(segment + 8), y = Big16(segment + 10);
  if (units == 1) {
    *resolution = Resolution{x, y};
  } else if (units == 2) {  // dots per centimetre
    *resolution = Resolution{x * 2.54, y * 2.54};
  }
}

// The entropy-coded data never holds FF D9 (FF is always stuffed), so an EOI after the
// first scan marks the real end; anything after it is ignored.
bool EndsWithEoi(const uint8_t* data, size_t size, size_t scan_start) {
  for (size_t i = size; i >= scan_start + 2; --i) {
    if (data[i - 2] == 0xFF && data[i - 1] == 0xD9) return true;
  }
  return false;
}
}  // namespace

PictureKind SniffPicture(const uint8_t* data, size_t size) {
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PictureKind::Jpeg;
  if (size >= 8 && std::memcmp(data, kPngSignature, 8) == 0) return PictureKind::Png;
  if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0)) {
    return PictureKind::Gif;
  }
  // "BM" alone is too weak for files of any kind: the reserved header words are zero and
  // the info header has one of the known sizes.
  if (size >= 18 && data[0] == 'B' && data[1] == 'M' && Big32(data + 6) == 0) {
    const uint32_t header = data[14] | uint32_t(data[15]) << 8 | uint32_t(data[16]) << 16 | uint32_t(data[17]) << 24;
    if (header == 12 || header == 40 || header == 52 || header == 56 || header == 64 || header == 108 ||
        header == 124) {
      return PictureKind::Bmp;
    }
  }
  return PictureKind::None;
}

bool InspectJpeg(const uint8_t* data, size_t size, JpegInfo* info, std::string* error) {
  *info = JpegInfo();
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
    *error = "not a JPEG";
    return false;
  }
  bool have_frame = false;
  size_t pos = 2;
  for (;;) {
    // Markers may be padded with FF; stray bytes between segments are skipped as
    // decoders do.
    while (pos < size && data[pos] != 0xFF) ++pos;
    while (pos < size && data[pos] == 0xFF) ++pos;
    if (pos >= size) {
      *error = "JPEG ends before its picture data";
      return false;
    }
    const int marker = data[pos++];
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
    if (marker == 0xD9) {
      *error = "JPEG ends before its picture data";
      return false;
    }
    if (pos + 2 > size) {
      *error = "JPEG cut short";
      return false;
    }
    const size_t length = Big16(data + pos);
    if (length < 2 || pos + length > size) {
      *error = "JPEG cut short";
      return false;
    }
    const uint8_t* segment = data + pos + 2;
    const size_t segment_length = length - 2;
    if (marker == 0xE0) {
      ReadJfif(segment, segment_length, &info->resolution);
    } else if (marker == 0xEE) {
      if (segment_length >= 12 && std::memcmp(segment, "Adobe", 5) == 0) {
        info->adobe = true;
        info->adobe_transform = segment[11];
      }
    } else if (IsStartOfFrame(marker) && !have_frame) {
      if (segment_length < 6) {
        *error = "JPEG frame header too short";
        return false;
      }
      have_frame = true;
      info->frame_type = marker;
      info->precision = segment[0];
      info->height = Big16(segment + 1);
      info->width = Big16(segment + 3);
      info->components = segment[5];
      if (info->width == 0 || info->height == 0 || info->components == 0) {
        *error = "JPEG without a usable size";
        return false;
      }
    } else if (marker == 0xDA) {
      if (!have_frame) {
        *error = "JPEG scan before its frame header";
        return false;
      }
      if (!EndsWithEoi(data, size, pos + length)) {
        *error = "JPEG cut short";
        return false;
      }
      info->pdf_ready = info->frame_type <= 0xC2 && info->precision == 8 &&
                        (info->components == 1 || info->components == 3 || info->components == 4);
      return true;
    }
    pos += length;
  }
}

bool InspectPng(const uint8_t* data, size_t size, PngInfo* info, std::string* error) {
  *info = PngInfo();
  if (size < 8 || std::memcmp(data, kPngSignature, 8) != 0) {
    *error = "not a PNG";
    return false;
  }
  size_t pos = 8;
  bool have_header = false;
  for (;;) {
    if (pos + 12 > size) {
      *error = "PNG cut short";
      return false;
    }
    const uint32_t length = Big32(data + pos);
    if (length > 0x7FFFFFFFu || size - pos - 12 < length) {
      *error = "PNG cut short";
      return false;
    }
    const uint8_t* type = data + pos + 4;
    const uint8_t* body = data + pos + 8;
    const uint32_t stored_crc = Big32(body + length);
    const bool critical = (type[0] & 0x20) == 0;
    const bool crc_ok = crc32(crc32(0, nullptr, 0), type, 4 + length) == stored_crc;
    if (!crc_ok && critical) {
      *error = "PNG data damaged (checksum mismatch)";
      return false;
    }
    pos += 12 + static_cast<size_t>(length);
    if (!have_header) {
      if (std::memcmp(type, "IHDR", 4) != 0 || length != 13) {
        *error = "PNG without a header";
        return false;
      }
      have_header = true;
      info->width = Big32(body);
      info->height = Big32(body + 4);
      info->bit_depth = body[8];
      info->color_type = body[9];
      info->interlace = body[12];
      const int depth = info->bit_depth;
      bool valid_depth = false;
      switch (info->color_type) {
        case 0: valid_depth = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16; break;
        case 3: valid_depth = depth == 1 || depth == 2 || depth == 4 || depth == 8; break;
        case 2: case 4: case 6: valid_depth = depth == 8 || depth == 16; break;
        default: break;
      }
      if (info->width == 0 || info->height == 0 || info->width > 0x7FFFFFFFu || info->height > 0x7FFFFFFFu ||
          !valid_depth || body[10] != 0 || body[11] != 0 || info->interlace > 1) {
        *error = "PNG header invalid";
        return false;
      }
      continue;
    }
    if (!crc_ok) continue;  // a damaged ancillary chunk is dropped, as decoders do
    if (std::memcmp(type, "PLTE", 4) == 0) {
      if (length == 0 || length % 3 != 0 || length > 256 * 3) {
        *error = "PNG palette invalid";
        return false;
      }
      info->palette.assign(body, body + length);
    } else if (std::memcmp(type, "tRNS", 4) == 0) {
      info->transparency.assign(body, body + length);
    } else if (std::memcmp(type, "pHYs", 4) == 0) {
      if (length == 9 && body[8] == 1) {  // pixels per metre
        info->resolution = Resolution{Big32(body) * 0.0254, Big32(body + 4) * 0.0254};
      }
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      info->idat.push_back(PngInfo::Span{static_cast<size_t>(body - data), length});
      info->idat_bytes += length;
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      break;
    }
  }
  if (info->idat_bytes == 0) {
    *error = "PNG without picture data";
    return false;
  }
  if (info->color_type == 3 && info->palette.empty()) {
    *error = "PNG palette missing";
    return false;
  }
  bool alpha = info->color_type == 4 || info->color_type == 6;
  const std::vector<uint8_t>& trns = info->transparency;
  if (info->color_type == 3) {
    for (uint8_t a : trns) alpha = alpha || a != 0xFF;
  } else if (info->color_type == 0 && trns.size() >= 2) {
    const int grey = static_cast<int>(Big16(trns.data()));
    info->color_key = {grey, grey};
  } else if (info->color_type == 2 && trns.size() >= 6) {
    for (int i = 0; i < 3; ++i) {
      const int value = static_cast<int>(Big16(trns.data() + 2 * i));
      info->color_key.push_back(value);
      info->color_key.push_back(value);
    }
  }
  // A key outside the sample range can never match (and PDF forbids it).
  bool key_in_range = true;
  for (int value : info->color_key) key_in_range = key_in_range && value < (1 << info->bit_depth);
  if (!key_in_range) info->color_key.clear();
  info->pdf_ready = !alpha && info->interlace == 0 && info->bit_depth <= 8;
  return true;
}
