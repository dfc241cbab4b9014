// JPEG through libjpeg's release-6 interface.
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "common/picture/picture_internal.h"

namespace picture_internal {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back
// to the decode call instead of ending the process.
struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr cinfo) {
  JpegError* err = reinterpret_cast<JpegError*>(cinfo->err);
  err->mgr.format_message(cinfo, err->message);
  longjmp(err->jump, 1);
}

// Warnings stay quiet, except that data cut short is a broken picture: stopping there
// also spares decoding a huge grey area for a tiny hostile file.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
  JpegError* err = reinterpret_cast<JpegError*>(cinfo->err);
  if (level < 0) {
    err->mgr.num_warnings++;
    if (err->mgr.msg_code == JWRN_JPEG_EOF) {
      err->mgr.format_message(cinfo, err->message);
      longjmp(err->jump, 1);
    }
  }
}

void JpegOutputMessage(j_common_ptr) {}

// Owns the decompressor; destroyed on every path out of DecodeJpeg.
struct JpegDecompressor {
  jpeg_decompress_struct cinfo;
  JpegError err;
  ~JpegDecompressor() { jpeg_destroy_decompress(&cinfo); }
};

// Adobe writers store CMYK inverted; others store it plainly.
void CmykToRgba(const uint8_t* in, uint8_t* out, int width, bool inverted) {
  for (int x = 0; x < width; ++x, in += 4, out += 4) {
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    out[0] = uint8_t((c * k + 127) / 255);
    out[1] = uint8_t((m * k + 127) / 255);
    out[2] = uint8_t((y * k + 127) / 255);
    out[3] = 255;
  }
}

// Everything touched after setjmp lives in *state or behind pointers, so a longjmp
// leaves no local in doubt.
bool RunJpeg(JpegDecompressor* state, const uint8_t* data, size_t size, Picture* picture,
             std::vector<uint8_t>* row, std::string* error) {
  jpeg_decompress_struct* cinfo = &state->cinfo;
  if (setjmp(state->err.jump)) {
    *error = std::string("JPEG: ") + state->err.message;
    return false;
  }
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
    *error = "JPEG: no image";
    return false;
  }
  if (!CheckDimensions(cinfo->image_width, cinfo->image_height, error)) return false;
  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE: cinfo->out_color_space = JCS_GRAYSCALE; break;
    case JCS_CMYK:
    case JCS_YCCK: cinfo->out_color_space = JCS_CMYK; break;
    default: cinfo->out_color_space = JCS_RGB; break;
  }
  // Without a backing store, libjpeg fails cleanly once its work memory passes this.
  cinfo->mem->max_memory_to_use = 512L * 1024 * 1024;
  jpeg_start_decompress(cinfo);
  const int width = int(cinfo->output_width), height = int(cinfo->output_height);
  const int comps = cinfo->output_components;
  if (comps != 1 && comps != 3 && comps != 4) {
    *error = "JPEG: unexpected components";
    return false;
  }
  size_t row_bytes = 0;
  if (__builtin_mul_overflow(size_t(width), size_t(comps), &row_bytes) ||
      !AllocateStill(width, height, picture, error)) {
    if (error->empty()) *error = "JPEG: picture too large";
    return false;
  }
  row->resize(row_bytes);
  const bool inverted = cinfo->saw_Adobe_marker;
  uint8_t* out = picture->frames[0].rgba.data();
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW rows[1] = {row->data()};
    if (jpeg_read_scanlines(cinfo, rows, 1) != 1) {
      *error = "JPEG: no scanline";
      return false;
    }
    uint8_t* dst = out + size_t(cinfo->output_scanline - 1) * size_t(width) * 4;
    const uint8_t* src = row->data();
    if (comps == 4) {
      CmykToRgba(src, dst, width, inverted);
    } else {
      for (int x = 0; x < width; ++x, dst += 4, src += comps) {
        dst[0] = src[0];
        dst[1] = src[comps == 3 ? 1 : 0];
        dst[2] = src[comps == 3 ? 2 : 0];
        dst[3] = 255;
      }
    }
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, Picture* picture, std::string* error) {
  if (size > 0x7FFFFFFF) {
    *error = "JPEG: file too large";
    return false;
  }
  JpegDecompressor state{};  // zeroed, so destroying it is safe even if creation failed
  state.cinfo.err = jpeg_std_error(&state.err.mgr);
  state.err.mgr.error_exit = JpegErrorExit;
  state.err.mgr.emit_message = JpegEmitMessage;
  state.err.mgr.output_message = JpegOutputMessage;
  std::vector<uint8_t> row;
  return RunJpeg(&state, data, size, picture, &row, error);
}

}  // namespace picture_internal
