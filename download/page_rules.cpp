#include "download/page_rules.h"

#include <cmath>
#include <cstring>

#include "download/number_text.h"

namespace {
// GBK texts of the messages.
const char kPiecesSuffix[] = "\xb8\xf6";                                        // 个
const char kDownloadDone[] = "\xcf\xc2\xd4\xd8\xcd\xea\xb3\xc9\xa3\xa1";        // 下载完成！
const char kStored[] = "\xd2\xd1\xb1\xa3\xb4\xe6 ";                               // 已保存
const char kPagesWord[] = " \xd2\xb3";                                           // 页
const char kComma[] = "\xa3\xac";                                                // ，
const char kCoverMissing[] = "\xb7\xe2\xc3\xe6\xc8\xb1\xca\xa7";                  // 封面缺失
const char kMissingWord[] = "\xc8\xb1 ";                                         // 缺
const char kColon[] = "\xa3\xba";                                                // ：
const char kListSeparator[] = "\xa1\xa2";                                        // 、
const char kEllipsis[] = "\xa1\xad";                                             // …

bool StartsWith(const ByteString& bytes, const char* signature, size_t length, size_t at = 0) {
  return bytes.size() >= at + length && std::memcmp(bytes.data() + at, signature, length) == 0;
}
}  // namespace

bool PassesSizeTest(uint64_t length) {
  const double kib = static_cast<double>(length) / 1024.0;
  // Halves round away from zero; the tiny bias keeps 9.4999999... from rounding down by
  // representation error.
  const double magnitude = std::fabs(kib) + 1e-12;
  double whole = std::floor(magnitude);
  if (magnitude - whole >= 0.5) whole += 1.0;
  return whole >= 10.0;
}

bool LooksLikePicture(const ByteString& bytes) {
  return StartsWith(bytes, "\xFF\xD8\xFF", 3) ||                       // JPEG
         StartsWith(bytes, "\x89PNG\r\n\x1A\n", 8) ||                  // PNG
         StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6) ||
         StartsWith(bytes, "BM", 2) ||                                 // BMP
         (StartsWith(bytes, "RIFF", 4) && StartsWith(bytes, "WEBP", 4, 8)) ||
         StartsWith(bytes, "II*\0", 4) || StartsWith(bytes, "MM\0*", 4);  // TIFF
}

bool IsStorablePicture(const ByteString& bytes) { return PassesSizeTest(bytes.size()) && LooksLikePicture(bytes); }

long long ProgressPosition(int64_t done, int32_t count) {
  const double position = static_cast<double>(done) / static_cast<double>(count) * 100.0;
  if (!(position > -1e18 && position < 1e18)) return 0;  // count 0 is never asked for; stay defined anyway
  return static_cast<long long>(position);
}

Text ProgressCaption(int64_t done) { return DecimalText(done) + kPiecesSuffix; }

int ClampFetchThreads(int32_t typed) {
  if (typed < 1) return 1;
  return typed > 32 ? 32 : static_cast<int>(typed);
}

Text ClosingMessage(const DownloadOutcome& outcome) {
  Text message = kDownloadDone;
  if (outcome.cover_stored && outcome.pages_missing == 0) return message;
  const int64_t pages = outcome.count > 0 ? outcome.count : 0;
  message += "\r\n";
  message += kStored + DecimalText(outcome.pages_stored) + "/" + DecimalText(pages) + kPagesWord;
  if (!outcome.cover_stored) message += kComma + Text(kCoverMissing);
  if (outcome.pages_missing > 0) {
    message += kComma + Text(kMissingWord) + DecimalText(outcome.pages_missing) + kPagesWord + kColon;
    for (size_t k = 0; k < outcome.first_missing.size(); ++k) {
      if (k > 0) message += kListSeparator;
      message += DecimalText(outcome.first_missing[k]);
    }
    if (outcome.pages_missing > static_cast<int64_t>(outcome.first_missing.size())) message += kEllipsis;
  }
  return message;
}
