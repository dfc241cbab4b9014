#pragma once
#include <functional>

#include "app/form_fields.h"
#include "common/text.h"
#include "download/shutdown_latch.h"

// What a download needs from the outside world; the program passes the real HTTP client,
// file writer, book folder and message box, tests pass fakes.
struct DownloadServices {
  std::function<ByteString(const Text& address)> fetch;
  std::function<bool(const Text& path, const ByteString& bytes)> write_file;
  std::function<Text()> book_folder;
  std::function<void(int milliseconds)> sleep;
  std::function<void(const Text& message)> show_message;
  // Closed when the program shuts down: from then on the download touches neither the
  // form nor the book folder, and shows no message.
  ShutdownLatch* shutdown = nullptr;
};

// Pauses before the second and the third try of a picture that failed.
constexpr int kRetryPausesMs[] = {500, 2000};

// One download: the cover ("index.jpg" under the link in 下载链接框, stored as
// BookFolder + "01.jpg"), then pages 1..count (count read once from 总页码框) from the
// link + decimal(i) + ".jpg", stored as BookFolder + decimal(i) + ".png". The link and
// the folder are read again for every picture. `threads` pictures (1..32) are fetched at
// once; with 1 the pages go strictly in order. After every page 进度标签 shows the pages
// finished followed by "个" and 进度条 their share of count. Ends with the closing message.
void DownloadPages(FormFields& form, const DownloadServices& services, int threads);
