#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "converter/file_io.h"
#include "converter/page_layout.h"

// Writes a PDF of image pages front to back. Only what every page needs stays in memory
// (object offsets and page numbers); the picture data goes straight to the file.
class PdfWriter {
 public:
  struct Piece {
    const uint8_t* data;
    size_t size;
  };

  explicit PdfWriter(OutputFile* out) : out_(out) {}

  // The header; objects 1 and 2 are kept for the catalogue and the page tree.
  bool Begin();
  // An image XObject: entries are its dictionary entries besides /Type, /Subtype and
  // /Length; the data pieces are written one after another as its stream. Returns the
  // object number.
  int WriteImage(const std::string& entries, const std::vector<Piece>& data);
  // A page of the given size that the image fills.
  bool AddImagePage(int image, PageSize size);
  // Page tree, catalogue, document information, cross-reference table and trailer.
  bool Finish();

  size_t PageCount() const { return pages_.size(); }

 private:
  int Reserve();
  void StartObject(int number);
  void WriteStream(int number, const std::string& entries, const std::vector<Piece>& data);

  OutputFile* out_;
  std::vector<uint64_t> offsets_;  // by object number; [0] unused
  std::vector<int> pages_;
};
