#include "converter/pdf_writer.h"

#include <cinttypes>
#include <cstdio>

namespace {
constexpr int kCatalog = 1;
constexpr int kPageTree = 2;
}  // namespace

int PdfWriter::Reserve() {
  offsets_.push_back(0);
  return static_cast<int>(offsets_.size() - 1);
}

void PdfWriter::StartObject(int number) {
  offsets_[static_cast<size_t>(number)] = out_->Position();
  out_->Write(std::to_string(number) + " 0 obj\n");
}

void PdfWriter::WriteStream(int number, const std::string& entries, const std::vector<Piece>& data) {
  size_t length = 0;
  for (const Piece& piece : data) length += piece.size;
  StartObject(number);
  out_->Write("<<" + entries + "/Length " + std::to_string(length) + ">>\nstream\n");
  for (const Piece& piece : data) out_->Write(piece.data, piece.size);
  out_->Write("\nendstream\nendobj\n");
}

bool PdfWriter::Begin() {
  offsets_.assign(1, 0);
  pages_.clear();
  Reserve();  // catalogue
  Reserve();  // page tree
  // The second line marks the file as binary for transfer programs.
  return out_->Write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

int PdfWriter::WriteImage(const std::string& entries, const std::vector<Piece>& data) {
  const int number = Reserve();
  WriteStream(number, "/Type/XObject/Subtype/Image" + entries, data);
  return number;
}

bool PdfWriter::AddImagePage(int image, PageSize size) {
  const std::string width = PdfNumber(size.width), height = PdfNumber(size.height);
  const std::string content = "q " + width + " 0 0 " + height + " 0 0 cm /Im0 Do Q\n";
  const int contents = Reserve();
  WriteStream(contents, "", {Piece{reinterpret_cast<const uint8_t*>(content.data()), content.size()}});
  const int page = Reserve();
  StartObject(page);
  out_->Write("<</Type/Page/Parent 2 0 R/MediaBox[0 0 " + width + " " + height + "]/Resources<</XObject<</Im0 " +
              std::to_string(image) + " 0 R>>>>/Contents " + std::to_string(contents) + " 0 R>>\nendobj\n");
  pages_.push_back(page);
  return !out_->Failed();
}

bool PdfWriter::Finish() {
  StartObject(kPageTree);
  out_->Write("<</Type/Pages/Count " + std::to_string(pages_.size()) + "/Kids[");
  for (size_t i = 0; i < pages_.size(); ++i) {
    out_->Write((i % 10 == 0 ? "\n" : " ") + std::to_string(pages_[i]) + " 0 R");
  }
  out_->Write("]>>\nendobj\n");
  StartObject(kCatalog);
  out_->Write("<</Type/Catalog/Pages 2 0 R>>\nendobj\n");
  const int info = Reserve();
  StartObject(info);
  out_->Write("<</Producer(FreePic2Pdf)>>\nendobj\n");

  const uint64_t xref = out_->Position();
  out_->Write("xref\n0 " + std::to_string(offsets_.size()) + "\n0000000000 65535 f \n");
  char entry[32];
  for (size_t i = 1; i < offsets_.size(); ++i) {
    std::snprintf(entry, sizeof entry, "%010" PRIu64 " 00000 n \n", offsets_[i]);
    out_->Write(entry, 20);
  }
  out_->Write("trailer\n<</Size " + std::to_string(offsets_.size()) + "/Root 1 0 R/Info " + std::to_string(info) +
              " 0 R>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
  return !out_->Failed();
}
