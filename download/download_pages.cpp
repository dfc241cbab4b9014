#include "download/download_pages.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

#include "download/number_text.h"
#include "download/page_rules.h"

namespace {
const char kCoverOnServer[] = "index.jpg";
const char kCoverFile[] = "01.jpg";
const char kPageOnServerSuffix[] = ".jpg";
const char kPageFileSuffix[] = ".png";  // the name the pages keep on disk, whatever their format

// The state one download shares among its fetching threads.
class PageDownload {
 public:
  PageDownload(FormFields& form, const DownloadServices& services, ShutdownLatch& shutdown, int32_t count)
      : form_(form), services_(services), shutdown_(shutdown), count_(count) {}

  // Fetches link + name_on_server and writes it to BookFolder + file_name when it is a
  // picture of sufficient size. True when the file was written.
  bool FetchAndStore(const Text& name_on_server, const Text& file_name) {
    if (shutdown_.IsClosed()) return false;
    const Text address = form_.ReadText(Control::下载链接框) + name_on_server;
    const ByteString bytes = FetchPicture(address);
    if (bytes.empty()) return false;
    bool written = false;
    shutdown_.RunUnlessClosed([&] { written = services_.write_file(services_.book_folder() + file_name, bytes); });
    return written;
  }

  // Takes the next page in order until none is left; run by every fetching thread.
  void RunPages() {
    while (!shutdown_.IsClosed()) {
      const int64_t page = next_page_.fetch_add(1);
      if (page > count_) return;
      const Text number = DecimalText(page);
      const bool stored = FetchAndStore(number + kPageOnServerSuffix, number + kPageFileSuffix);
      Finish(static_cast<int32_t>(page), stored);
    }
  }

  DownloadOutcome Outcome() {
    std::lock_guard<std::mutex> lock(progress_mutex_);
    outcome_.count = count_;
    outcome_.first_missing.assign(first_missing_.begin(), first_missing_.end());
    return outcome_;
  }

  void SetCoverStored(bool stored) {
    std::lock_guard<std::mutex> lock(progress_mutex_);
    outcome_.cover_stored = stored;
  }

 private:
  // A response that is not a storable picture is tried twice more after a pause; gives
  // the empty byte string when every try failed.
  ByteString FetchPicture(const Text& address) {
    for (size_t attempt = 0;; ++attempt) {
      ByteString bytes = services_.fetch(address);
      if (IsStorablePicture(bytes)) return bytes;
      if (attempt == std::size(kRetryPausesMs) || shutdown_.IsClosed()) return ByteString();
      services_.sleep(kRetryPausesMs[attempt]);
    }
  }

  // Counts a finished page and shows the progress. Under one lock, so that the caption
  // and the bar only ever move forward whichever thread finishes first.
  void Finish(int32_t page, bool stored) {
    std::lock_guard<std::mutex> lock(progress_mutex_);
    ++finished_;
    if (stored) {
      ++outcome_.pages_stored;
    } else {
      ++outcome_.pages_missing;
      first_missing_.insert(page);
      if (first_missing_.size() > kListedMissingPages) first_missing_.erase(std::prev(first_missing_.end()));
    }
    if (shutdown_.IsClosed()) return;
    form_.WriteText(Control::进度标签, ProgressCaption(finished_));
    form_.WriteProgress(Control::进度条, ProgressPosition(finished_, count_));
  }

  FormFields& form_;
  const DownloadServices& services_;
  ShutdownLatch& shutdown_;
  const int32_t count_;
  std::atomic<int64_t> next_page_{1};
  std::mutex progress_mutex_;  // guards everything below
  int64_t finished_ = 0;
  DownloadOutcome outcome_;
  std::set<int32_t> first_missing_;
};
}  // namespace

void DownloadPages(FormFields& form, const DownloadServices& services, int threads) {
  ShutdownLatch never_closed;
  ShutdownLatch& shutdown = services.shutdown ? *services.shutdown : never_closed;
  if (shutdown.IsClosed()) return;

  const int32_t count = LowWordOfTruncation(NumberFromText(form.ReadText(Control::总页码框)));
  PageDownload download(form, services, shutdown, count);
  download.SetCoverStored(download.FetchAndStore(kCoverOnServer, kCoverFile));

  // More threads than pages would only idle.
  const int64_t wanted = std::min<int64_t>(ClampFetchThreads(threads), std::max<int32_t>(count, 1));
  std::vector<std::thread> helpers;
  for (int64_t k = 1; k < wanted; ++k) {
    try {
      helpers.emplace_back([&download] { download.RunPages(); });
    } catch (const std::system_error&) {
      break;  // fewer threads than asked for still finish the book
    }
  }
  download.RunPages();
  for (std::thread& helper : helpers) helper.join();

  if (shutdown.IsClosed()) return;
  services.show_message(ClosingMessage(download.Outcome()));
}
