#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Merging pictures into one PDF, a page per picture, one picture in memory at a time.

struct SkippedPicture {
  std::string name;    // the file name, without its folder
  std::string reason;  // short, English
};

struct ConvertResult {
  bool written = false;  // the PDF is complete under its final name
  size_t pages = 0;
  std::vector<SkippedPicture> skipped;
  std::string error;  // why there is no PDF, when !written
};

// Called before each picture with the count done so far; returning false stops the run
// (and no PDF is left behind).
using ConvertProgress = std::function<bool(size_t done, size_t total, const std::string& name)>;

// The paths of the pictures directly in folder (recognised by content), in the natural
// order of their names. *listed is false when the folder cannot be read.
std::vector<std::string> FindPicturesInFolder(const std::string& folder, bool* listed);

// Writes the pictures as pages to output: first under a temporary name beside it, renamed
// when complete, so output is never a broken PDF. Pictures that cannot be read or
// understood are skipped and listed. With no usable picture no PDF is written.
ConvertResult ConvertPicturesToPdf(const std::vector<std::string>& pictures, const std::string& output,
                                   const ConvertProgress& progress);

// The temporary name the PDF is written under before the rename.
std::string TemporaryPathFor(const std::string& output);
