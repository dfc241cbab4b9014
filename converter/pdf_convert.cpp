#include "converter/pdf_convert.h"

#include <zlib.h>

#include <cstring>

#include "common/picture/picture_decode.h"
#include "converter/file_io.h"
#include "converter/natural_order.h"
#include "converter/page_layout.h"
#include "converter/pdf_writer.h"
#include "converter/picture_headers.h"

namespace {
// Larger files are not pictures this tool will meet; the limit also keeps 32-bit sizes safe.
constexpr size_t kMaxPictureFile = size_t(1) << 30;

using Piece = PdfWriter::Piece;

// A zlib stream compressed into memory piece by piece, so a decoded picture is never
// copied whole into another layout first.
class Deflater {
 public:
  explicit Deflater(size_t expected_input) {
    ok_ = deflateInit(&stream_, Z_DEFAULT_COMPRESSION) == Z_OK;
    if (ok_) output_.reserve(deflateBound(&stream_, static_cast<uLong>(expected_input)));
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;
  ~Deflater() {
    if (ok_) deflateEnd(&stream_);
  }

  bool Add(const uint8_t* data, size_t size) { return Run(data, size, Z_NO_FLUSH); }
  bool Finish() { return Run(nullptr, 0, Z_FINISH); }
  const std::vector<uint8_t>& Output() const { return output_; }

 private:
  bool Run(const uint8_t* data, size_t size, int flush) {
    if (!ok_) return false;
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    for (;;) {
      uint8_t chunk[16384];
      stream_.next_out = chunk;
      stream_.avail_out = sizeof chunk;
      const int status = deflate(&stream_, flush);
      if (status == Z_STREAM_ERROR) return ok_ = false;
      output_.insert(output_.end(), chunk, chunk + (sizeof chunk - stream_.avail_out));
      if (flush == Z_FINISH ? status == Z_STREAM_END : stream_.avail_in == 0 && stream_.avail_out != 0) return true;
    }
  }

  z_stream stream_{};
  bool ok_ = false;
  std::vector<uint8_t> output_;
};

std::string Size(uint32_t width, uint32_t height) {
  return "/Width " + std::to_string(width) + "/Height " + std::to_string(height);
}

bool AddJpegPage(PdfWriter* writer, const std::vector<uint8_t>& file, const JpegInfo& info) {
  std::string entries = Size(info.width, info.height);
  if (info.components == 1) {
    entries += "/ColorSpace/DeviceGray";
  } else if (info.components == 3) {
    entries += "/ColorSpace/DeviceRGB";
  } else {
    entries += "/ColorSpace/DeviceCMYK";
    // Adobe applications store CMYK JPEGs inverted and mark them with APP14.
    if (info.adobe) entries += "/Decode[1 0 1 0 1 0 1 0]";
  }
  entries += "/BitsPerComponent 8/Filter/DCTDecode";
  const int image = writer->WriteImage(entries, {Piece{file.data(), file.size()}});
  return writer->AddImagePage(image, PageSizeFor(info.width, info.height, info.resolution));
}

std::string HexPalette(const std::vector<uint8_t>& palette) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string hex = "<";
  for (uint8_t byte : palette) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 15];
  }
  return hex + ">";
}

// The IDAT data is already a zlib stream with PNG row filters, which FlateDecode with
// predictor 15 undoes: nothing is decoded or recompressed.
bool AddPngPage(PdfWriter* writer, const std::vector<uint8_t>& file, const PngInfo& info) {
  int colors = 1;
  std::string entries = Size(info.width, info.height);
  if (info.color_type == 0) {
    entries += "/ColorSpace/DeviceGray";
  } else if (info.color_type == 2) {
    entries += "/ColorSpace/DeviceRGB";
    colors = 3;
  } else {
    entries += "/ColorSpace[/Indexed/DeviceRGB " + std::to_string(info.palette.size() / 3 - 1) + " " +
               HexPalette(info.palette) + "]";
  }
  const std::string depth = std::to_string(info.bit_depth);
  entries += "/BitsPerComponent " + depth + "/Filter/FlateDecode/DecodeParms<</Predictor 15/Colors " +
             std::to_string(colors) + "/BitsPerComponent " + depth + "/Columns " + std::to_string(info.width) + ">>";
  if (!info.color_key.empty()) {
    entries += "/Mask[";
    for (size_t i = 0; i < info.color_key.size(); ++i) entries += (i ? " " : "") + std::to_string(info.color_key[i]);
    entries += "]";
  }
  std::vector<Piece> pieces;
  for (const PngInfo::Span& span : info.idat) pieces.push_back(Piece{file.data() + span.offset, span.length});
  const int image = writer->WriteImage(entries, pieces);
  return writer->AddImagePage(image, PageSizeFor(info.width, info.height, info.resolution));
}

Resolution BmpResolution(const std::vector<uint8_t>& file) {
  if (file.size() < 54) return Resolution();
  auto little32 = [&](size_t at) {
    return static_cast<int32_t>(static_cast<uint32_t>(file[at]) | static_cast<uint32_t>(file[at + 1]) << 8 |
                                static_cast<uint32_t>(file[at + 2]) << 16 | static_cast<uint32_t>(file[at + 3]) << 24);
  };
  if (little32(14) < 40) return Resolution();  // the old core header has no resolution
  const int32_t x = little32(38), y = little32(42);  // pixels per metre
  if (x <= 0 || y <= 0) return Resolution();
  return Resolution{x * 0.0254, y * 0.0254};
}

// Everything PDF cannot take as it stands: decoded to pixels, stored with Flate; alpha
// becomes a soft mask, and a picture with only grey pixels is stored as grey.
bool AddDecodedPage(PdfWriter* writer, const std::vector<uint8_t>& file, Resolution resolution,
                    std::string* reason) {
  Picture picture;
  std::string error;
  if (!DecodePicture(file.data(), file.size(), &picture, &error) || picture.frames.empty()) {
    *reason = error.empty() ? "cannot decode" : error;
    return false;
  }
  const uint32_t width = static_cast<uint32_t>(picture.width), height = static_cast<uint32_t>(picture.height);
  const std::vector<uint8_t>& rgba = picture.frames.front().rgba;  // a GIF's first frame
  if (picture.width <= 0 || picture.height <= 0 || rgba.size() != size_t(width) * height * 4) {
    *reason = "cannot decode";
    return false;
  }
  bool grey = true, alpha = false;
  for (size_t i = 0; i < rgba.size(); i += 4) {
    grey = grey && rgba[i] == rgba[i + 1] && rgba[i] == rgba[i + 2];
    alpha = alpha || rgba[i + 3] != 0xFF;
  }
  const size_t channels = grey ? 1 : 3;
  Deflater color(size_t(width) * height * channels);
  Deflater mask(alpha ? size_t(width) * height : 0);
  std::vector<uint8_t> row(size_t(width) * channels), alpha_row(width);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* pixel = rgba.data() + size_t(y) * width * 4;
    for (uint32_t x = 0; x < width; ++x, pixel += 4) {
      if (grey) {
        row[x] = pixel[0];
      } else {
        std::memcpy(&row[size_t(x) * 3], pixel, 3);
      }
      alpha_row[x] = pixel[3];
    }
    if (!color.Add(row.data(), row.size()) || (alpha && !mask.Add(alpha_row.data(), alpha_row.size()))) {
      *reason = "out of memory";
      return false;
    }
  }
  if (!color.Finish() || (alpha && !mask.Finish())) {
    *reason = "out of memory";
    return false;
  }
  std::string entries = Size(width, height) + (grey ? "/ColorSpace/DeviceGray" : "/ColorSpace/DeviceRGB") +
                        "/BitsPerComponent 8/Filter/FlateDecode";
  if (alpha) {
    const int soft_mask = writer->WriteImage(
        Size(width, height) + "/ColorSpace/DeviceGray/BitsPerComponent 8/Filter/FlateDecode",
        {Piece{mask.Output().data(), mask.Output().size()}});
    entries += "/SMask " + std::to_string(soft_mask) + " 0 R";
  }
  const int image = writer->WriteImage(entries, {Piece{color.Output().data(), color.Output().size()}});
  return writer->AddImagePage(image, PageSizeFor(width, height, resolution));
}

// One page for the picture in file; false with a reason when it is skipped. Nothing is
// written to the PDF before the picture has been understood, so a skipped picture
// leaves no trace in it.
bool AddPicturePage(PdfWriter* writer, const std::vector<uint8_t>& file, std::string* reason) {
  switch (SniffPicture(file.data(), file.size())) {
    case PictureKind::Jpeg: {
      JpegInfo info;
      if (!InspectJpeg(file.data(), file.size(), &info, reason)) return false;
      if (info.pdf_ready) return AddJpegPage(writer, file, info);
      return AddDecodedPage(writer, file, info.resolution, reason);
    }
    case PictureKind::Png: {
      PngInfo info;
      if (!InspectPng(file.data(), file.size(), &info, reason)) return false;
      if (info.pdf_ready) return AddPngPage(writer, file, info);
      return AddDecodedPage(writer, file, info.resolution, reason);
    }
    case PictureKind::Gif:
      return AddDecodedPage(writer, file, Resolution(), reason);
    case PictureKind::Bmp:
      return AddDecodedPage(writer, file, BmpResolution(file), reason);
    case PictureKind::None:
      break;
  }
  *reason = "not a picture";
  return false;
}
}  // namespace

std::string TemporaryPathFor(const std::string& output) { return output + ".part"; }

std::vector<std::string> FindPicturesInFolder(const std::string& folder, bool* listed) {
  std::vector<std::string> names;
  *listed = ListFolderFiles(folder, &names);
  SortNaturally(&names);
  std::vector<std::string> pictures;
  std::vector<uint8_t> head;
  for (const std::string& name : names) {
    const std::string path = JoinPath(folder, name);
    // A picture that cannot even be opened is kept, so that it is named as skipped.
    if (!ReadFileHead(path, kSniffBytes, &head) || SniffPicture(head.data(), head.size()) != PictureKind::None) {
      pictures.push_back(path);
    }
  }
  return pictures;
}

ConvertResult ConvertPicturesToPdf(const std::vector<std::string>& pictures, const std::string& output,
                                   const ConvertProgress& progress) {
  ConvertResult result;
  if (pictures.empty()) {
    result.error = "no pictures to merge";
    return result;
  }
  const std::string temporary = TemporaryPathFor(output);
  OutputFile out;
  if (!out.Open(temporary)) {
    result.error = "cannot create " + temporary;
    return result;
  }
  PdfWriter writer(&out);
  writer.Begin();
  std::vector<uint8_t> file;  // reused, so memory stays at the largest picture
  for (size_t i = 0; i < pictures.size(); ++i) {
    const std::string name = FileNameOf(pictures[i]);
    if (progress && !progress(i, pictures.size(), name)) {
      result.error = "stopped";
      break;
    }
    std::string reason;
    if (!ReadWholeFile(pictures[i], kMaxPictureFile, &file)) {
      result.skipped.push_back(SkippedPicture{name, "cannot read the file"});
      continue;
    }
    if (!AddPicturePage(&writer, file, &reason)) result.skipped.push_back(SkippedPicture{name, reason});
    if (out.Failed()) {
      result.error = "cannot write " + temporary;
      break;
    }
  }
  file = std::vector<uint8_t>();
  if (progress && result.error.empty()) progress(pictures.size(), pictures.size(), std::string());
  result.pages = writer.PageCount();
  if (result.error.empty() && result.pages == 0) result.error = "no picture could be read";
  if (result.error.empty() && !(writer.Finish() && out.Close())) result.error = "cannot write " + temporary;
  if (result.error.empty() && !ReplaceFileWith(temporary, output)) result.error = "cannot rename to " + output;
  if (!result.error.empty()) {
    out.Close();
    RemoveFileQuietly(temporary);
    return result;
  }
  result.written = true;
  return result;
}
