#pragma once
#include <cstdint>
#include <vector>

#include "common/text.h"

// The small rules of a download: which responses are kept, how progress reads, how many
// pictures are fetched at once and what the closing message says.

// A response is kept when its length in KiB, rounded half away from zero, is at least 10;
// that is, from 9,728 bytes on. Short error pages and failed (empty) fetches never are.
bool PassesSizeTest(uint64_t length);

// True when the bytes begin with the signature of a JPEG, PNG, GIF, BMP, WebP or TIFF
// picture, so that an HTML error page is never stored as a page.
bool LooksLikePicture(const ByteString& bytes);

// Both tests together: what a fetched picture must pass to be written.
bool IsStorablePicture(const ByteString& bytes);

// The progress bar's position after `done` of `count` pages: done / count * 100 in double
// precision, cut toward zero.
long long ProgressPosition(int64_t done, int32_t count);

// The progress label's caption after `done` pages: the number followed by "个".
Text ProgressCaption(int64_t done);

// The number typed into the thread-count box, kept within 1..32.
int ClampFetchThreads(int32_t typed);

// How many missing page numbers the closing message lists before it shortens the list.
constexpr size_t kListedMissingPages = 20;

// What a finished download reports.
struct DownloadOutcome {
  int32_t count = 0;              // the page count read at the start
  bool cover_stored = false;
  int64_t pages_stored = 0;
  int64_t pages_missing = 0;
  std::vector<int32_t> first_missing;  // the smallest missing page numbers, ascending, at most kListedMissingPages
};

// "下载完成！" alone when the cover and every page were stored; otherwise a second line
// with the number of pages stored out of the count, whether the cover is missing, and the
// missing page numbers (the first kListedMissingPages of them, then "…").
Text ClosingMessage(const DownloadOutcome& outcome);
