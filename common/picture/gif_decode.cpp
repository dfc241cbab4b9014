// GIF through giflib's record interface, so that each frame's size is checked before
// its pixels are allocated and a hostile file cannot make giflib hold all frames at once.
#include <algorithm>
#include <cstring>
#include <vector>

#include <gif_lib.h>

#include "common/picture/picture_internal.h"

namespace picture_internal {
namespace {

struct MemoryReader {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int length) {
  MemoryReader* reader = static_cast<MemoryReader*>(gif->UserData);
  if (length <= 0) return 0;
  const size_t n = std::min(size_t(length), reader->size - reader->pos);
  std::memcpy(out, reader->data + reader->pos, n);
  reader->pos += n;
  return int(n);
}

struct GifCloser {
  GifFileType* gif;
  ~GifCloser() {
    int error = 0;
    if (gif) DGifCloseFile(gif, &error);
  }
};

// Browsers show frames asking for 0 or 10 ms for 100 ms; so does this.
int DelayMs(int hundredths) { return hundredths <= 1 ? 100 : hundredths * 10; }

struct Rect {
  int left, top, width, height;
};

void ClearRect(std::vector<uint8_t>* canvas, int canvas_width, const Rect& r) {
  for (int y = r.top; y < r.top + r.height; ++y) {
    std::memset(canvas->data() + (size_t(y) * size_t(canvas_width) + size_t(r.left)) * 4, 0,
                size_t(r.width) * 4);
  }
}

// The part of a frame that lies on the canvas.
Rect ClipToCanvas(const GifImageDesc& desc, int canvas_width, int canvas_height) {
  Rect r;
  r.left = std::min(desc.Left, canvas_width);
  r.top = std::min(desc.Top, canvas_height);
  r.width = std::max(0, std::min(desc.Left + desc.Width, canvas_width) - r.left);
  r.height = std::max(0, std::min(desc.Top + desc.Height, canvas_height) - r.top);
  return r;
}

// Reads one frame's colour indices, in display row order.
bool ReadIndices(GifFileType* gif, int width, int height, bool interlaced,
                 std::vector<GifPixelType>* indices) {
  indices->assign(size_t(width) * size_t(height), 0);
  static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  const int passes = interlaced ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int start = interlaced ? kStart[pass] : 0, step = interlaced ? kStep[pass] : 1;
    for (int y = start; y < height; y += step) {
      if (DGifGetLine(gif, indices->data() + size_t(y) * size_t(width), width) == GIF_ERROR) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

bool DecodeGif(const uint8_t* data, size_t size, const GifLimits& limits, Picture* picture,
               std::string* error) {
  MemoryReader reader{data, size, 0};
  int open_error = 0;
  GifCloser closer{DGifOpen(&reader, ReadFromMemory, &open_error)};
  GifFileType* gif = closer.gif;
  if (!gif) {
    const char* text = GifErrorString(open_error);
    *error = std::string("GIF: ") + (text ? text : "cannot open");
    return false;
  }
  int canvas_width = gif->SWidth, canvas_height = gif->SHeight;
  std::vector<uint8_t> canvas, saved, indices;
  size_t frame_bytes = 0;
  GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
  int previous_disposal = DISPOSAL_UNSPECIFIED;
  Rect previous_rect{0, 0, 0, 0};
  bool done = false;
  while (!done) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) break;  // a cut-off file keeps its frames
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) break;
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4) {
        DGifExtensionToGCB(block[0], block + 1, &gcb);
      }
      while (block) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
          done = true;
          break;
        }
      }
      continue;
    }
    if (type == TERMINATE_RECORD_TYPE) break;
    if (type != IMAGE_DESC_RECORD_TYPE) continue;

    if (picture->frames.size() >= limits.max_frames) break;
    if (DGifGetImageDesc(gif) == GIF_ERROR) break;
    const GifImageDesc desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0) break;
    if (!CheckDimensions(desc.Width, desc.Height, error)) break;
    const ColorMapObject* colors = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!colors || !colors->Colors) {
      *error = "GIF: frame without colours";
      break;
    }
    if (canvas.empty()) {
      // A logical screen of size 0 takes the first frame's extent.
      if (canvas_width <= 0 || canvas_height <= 0) {
        canvas_width = desc.Left + desc.Width;
        canvas_height = desc.Top + desc.Height;
      }
      if (!CheckDimensions(canvas_width, canvas_height, error)) break;
      if (!FrameBytes(canvas_width, canvas_height, &frame_bytes)) {
        *error = "GIF: picture too large";
        break;
      }
      canvas.assign(frame_bytes, 0);
    }
    uint64_t total = 0;
    if (__builtin_mul_overflow(uint64_t(frame_bytes), uint64_t(picture->frames.size() + 1), &total) ||
        total > limits.max_bytes) {
      break;
    }
    if (!ReadIndices(gif, desc.Width, desc.Height, desc.Interlace, &indices)) {
      *error = "GIF: broken frame data";
      break;
    }

    // The previous frame's disposal happens now, before this frame is drawn.
    if (previous_disposal == DISPOSE_BACKGROUND) {
      ClearRect(&canvas, canvas_width, previous_rect);
    } else if (previous_disposal == DISPOSE_PREVIOUS && !saved.empty()) {
      canvas = saved;
    }
    const Rect rect = ClipToCanvas(desc, canvas_width, canvas_height);
    if (gcb.DisposalMode == DISPOSE_PREVIOUS) saved = canvas;
    for (int y = 0; rect.width > 0 && y < rect.height; ++y) {
      const GifPixelType* src = indices.data() + size_t(rect.top - desc.Top + y) * size_t(desc.Width) +
                                size_t(rect.left - desc.Left);
      uint8_t* dst = canvas.data() + (size_t(rect.top + y) * size_t(canvas_width) + size_t(rect.left)) * 4;
      for (int x = 0; x < rect.width; ++x, dst += 4) {
        const int index = src[x];
        if (index == gcb.TransparentColor || index >= colors->ColorCount) continue;
        dst[0] = colors->Colors[index].Red;
        dst[1] = colors->Colors[index].Green;
        dst[2] = colors->Colors[index].Blue;
        dst[3] = 255;
      }
    }
    PictureFrame frame;
    frame.rgba = canvas;
    frame.delay_ms = DelayMs(gcb.DelayTime);
    picture->frames.push_back(std::move(frame));
    previous_disposal = gcb.DisposalMode;
    previous_rect = rect;
    gcb = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
  }
  if (picture->frames.empty()) {
    if (error->empty()) *error = "GIF: no frame";
    return false;
  }
  error->clear();
  picture->width = canvas_width;
  picture->height = canvas_height;
  if (picture->frames.size() == 1) picture->frames[0].delay_ms = 0;
  return true;
}

}  // namespace picture_internal
