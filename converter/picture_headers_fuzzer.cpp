// libFuzzer harness for the header walkers that read untrusted picture files.
#include <cstddef>
#include <cstdint>
#include <string>

#include "converter/page_layout.h"
#include "converter/picture_headers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SniffPicture(data, size);
  std::string error;
  JpegInfo jpeg;
  if (InspectJpeg(data, size, &jpeg, &error)) PageSizeFor(jpeg.width, jpeg.height, jpeg.resolution);
  PngInfo png;
  if (InspectPng(data, size, &png, &error)) {
    size_t total = 0;
    for (const PngInfo::Span& span : png.idat) {
      if (span.offset > size || span.length > size - span.offset) __builtin_trap();  // spans stay inside
      total += span.length;
    }
    if (total != png.idat_bytes) __builtin_trap();
    PageSizeFor(png.width, png.height, png.resolution);
  }
  return 0;
}
