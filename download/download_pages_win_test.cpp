// The page loop with the program's own HTTP client, file writer and book folder, against
// the test server.
#include "download/download_pages.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "analysis/http_fetch.h"
#include "common/book_folder.h"
#include "download/program_services.h"
#include "download/recording_form.h"
#include "download/win_test_files.h"
#include "tests/support/test_server.h"

namespace {

const Text kDone = "\xcf\xc2\xd4\xd8\xcd\xea\xb3\xc9\xa3\xa1";  // 下载完成！
const Text kGe = "\xb8\xf6";                                      // 个

// A port on 127.0.0.1 that nothing listens on: one the system just handed out and took back.
int ClosedPort() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int length = sizeof address;
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  closesocket(probe);
  return ntohs(address.sin_port);
}

// Runs downloads the way a worker does, with the message captured instead of shown and a
// shut-down latch of its own.
class Download {
 public:
  Download() : services(ProgramDownloadServices()) {
    services.show_message = [this](const Text& message) {
      std::lock_guard<std::mutex> lock(mutex);
      messages.push_back(message);
    };
    services.shutdown = &shutdown;
  }

  void Run(RecordingForm& form, const Text& link, const Text& count, int threads) {
    form.WriteText(Control::下载链接框, link);
    form.WriteText(Control::总页码框, count);
    DownloadPages(form, services, threads);
  }

  DownloadServices services;
  ShutdownLatch shutdown;
  std::mutex mutex;
  std::vector<Text> messages;
};

std::vector<Text> Names(std::initializer_list<const char*> names) { return std::vector<Text>(names.begin(), names.end()); }

TEST(DownloadPagesOverHttp, ThreePageBookStoresTheBytesServed) {
  const Text folder = FreshTestFolder(L"dl_three");
  ReplaceBookFolder(folder);
  const Text link = TestServerUrl("/img/dl_three/~book=12000/");
  RecordingForm form;
  Download download;
  download.Run(form, link, "3", 1);

  EXPECT_EQ(FilesIn(folder), Names({"01.jpg", "1.png", "2.png", "3.png"}));
  EXPECT_EQ(ReadTestFile(folder + "01.jpg"), HttpFetch(link + "index.jpg"));
  for (const char* page : {"1", "2", "3"}) {
    const ByteString served = HttpFetch(link + page + ".jpg");
    EXPECT_EQ(served.size(), 12000u);
    EXPECT_EQ(ReadTestFile(folder + page + ".png"), served) << page;
  }
  EXPECT_EQ(form.Captions(), (std::vector<Text>{"1" + kGe, "2" + kGe, "3" + kGe}));
  EXPECT_EQ(form.Positions(), (std::vector<long long>{33, 66, 100}));
  EXPECT_EQ(download.messages, std::vector<Text>{kDone});
}

struct CountCase {
  const char* box;
  std::vector<Text> files;
};

TEST(DownloadPagesOverHttp, PageCountFromTheBox) {
  const CountCase cases[] = {
      {"2.9", Names({"01.jpg", "1.png", "2.png"})},
      {"-5", Names({"01.jpg"})},
  };
  for (const CountCase& c : cases) {
    const Text folder = FreshTestFolder(L"dl_count");
    ReplaceBookFolder(folder);
    RecordingForm form;
    Download download;
    download.Run(form, TestServerUrl("/img/dl_count/~book=12000/"), c.box, 1);
    EXPECT_EQ(FilesIn(folder), c.files) << c.box;
    EXPECT_EQ(download.messages, std::vector<Text>{kDone}) << c.box;
  }
}

TEST(DownloadPagesOverHttp, DeadServerStoresNothingAndNamesEveryPage) {
  const Text folder = FreshTestFolder(L"dl_dead");
  ReplaceBookFolder(folder);
  RecordingForm form;
  Download download;
  download.Run(form, "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/img/dl_dead/", "3", 3);
  EXPECT_TRUE(FilesIn(folder).empty());
  EXPECT_EQ(form.Captions(), (std::vector<Text>{"1" + kGe, "2" + kGe, "3" + kGe}));
  ASSERT_EQ(download.messages.size(), 1u);
  // 下载完成！ / 已保存 0/3 页，封面缺失，缺 3 页：1、2、3
  EXPECT_EQ(download.messages[0], kDone +
                                      "\r\n\xd2\xd1\xb1\xa3\xb4\xe6 0/3 \xd2\xb3\xa3\xac\xb7\xe2\xc3\xe6\xc8\xb1\xca\xa7"
                                      "\xa3\xac\xc8\xb1 3 \xd2\xb3\xa3\xba" "1\xa1\xa2" "2\xa1\xa2" "3");
}

TEST(DownloadPagesOverHttp, PagesThatFailOnceAreStoredOnTheRetry) {
  const Text folder = FreshTestFolder(L"dl_failfirst");
  ReplaceBookFolder(folder);
  const Text link = TestServerUrl("/img/dl_failfirst/~failfirst=1/~book=12000/");
  RecordingForm form;
  Download download;
  download.Run(form, link, "3", 1);
  EXPECT_EQ(FilesIn(folder), Names({"01.jpg", "1.png", "2.png", "3.png"}));
  EXPECT_EQ(ReadTestFile(folder + "2.png"), HttpFetch(link + "2.jpg"));
  EXPECT_EQ(download.messages, std::vector<Text>{kDone});
}

TEST(DownloadPagesOverHttp, LargeHtmlErrorPageIsNeverStored) {
  const Text folder = FreshTestFolder(L"dl_404");
  ReplaceBookFolder(folder);
  const Text link = TestServerUrl("/~status=404/__gen/html/20000/dl_404/");
  ASSERT_EQ(HttpFetch(link + "1.jpg").size(), 20000u);  // big enough for the size test alone
  RecordingForm form;
  Download download;
  download.Run(form, link, "1", 1);
  EXPECT_TRUE(FilesIn(folder).empty());
  ASSERT_EQ(download.messages.size(), 1u);
  EXPECT_NE(download.messages[0].find("\xc8\xb1 1 \xd2\xb3\xa3\xba" "1"), Text::npos);  // 缺 1 页：1
}

TEST(DownloadPagesOverHttp, OneThreadAndTenGiveTheSameFiles) {
  const Text link = TestServerUrl("/img/dl_threads/~book=11000/");
  std::vector<std::vector<ByteString>> results;
  for (int threads : {1, 10}) {
    const Text folder = FreshTestFolder(L"dl_threads" + std::to_wstring(threads));
    ReplaceBookFolder(folder);
    RecordingForm form;
    Download download;
    download.Run(form, link, "25", threads);
    ASSERT_EQ(FilesIn(folder).size(), 26u) << threads;
    std::vector<ByteString> files = {ReadTestFile(folder + "01.jpg")};
    for (int page = 1; page <= 25; ++page) files.push_back(ReadTestFile(folder + std::to_string(page) + ".png"));
    results.push_back(files);
    EXPECT_EQ(form.Captions().back(), "25" + kGe);
    EXPECT_EQ(form.Positions().back(), 100);
    EXPECT_EQ(download.messages, std::vector<Text>{kDone});
  }
  EXPECT_EQ(results[0], results[1]);
}

TEST(DownloadPagesOverHttp, TwoDownloadsAtOnceBothFinish) {
  const Text folder = FreshTestFolder(L"dl_twice");
  ReplaceBookFolder(folder);
  const Text link = TestServerUrl("/img/dl_twice/~delay=20/~book=12000/");
  RecordingForm form;
  Download first, second;
  form.WriteText(Control::下载链接框, link);
  form.WriteText(Control::总页码框, "8");
  std::thread one([&] { DownloadPages(form, first.services, 2); });
  std::thread two([&] { DownloadPages(form, second.services, 3); });
  one.join();
  two.join();
  EXPECT_EQ(first.messages, std::vector<Text>{kDone});
  EXPECT_EQ(second.messages, std::vector<Text>{kDone});
  EXPECT_EQ(FilesIn(folder).size(), 9u);
  EXPECT_EQ(ReadTestFile(folder + "8.png"), HttpFetch(link + "8.jpg"));
}

TEST(DownloadPagesOverHttp, NewAnalysisSendsTheRestToTheNewLinkAndFolder) {
  const Text old_folder = FreshTestFolder(L"dl_switch_old");
  const Text new_folder = FreshTestFolder(L"dl_switch_new");
  ReplaceBookFolder(old_folder);
  const Text old_link = TestServerUrl("/img/dl_switch_old/~book=12000/");
  const Text new_link = TestServerUrl("/img/dl_switch_new/~book=13000/");
  RecordingForm form;
  // What an analysis leaves behind, landing right after the second page.
  form.on_caption = [&](const Text& caption) {
    if (caption != "2" + kGe) return;
    form.WriteText(Control::下载链接框, new_link);
    ReplaceBookFolder(new_folder);
  };
  Download download;
  download.Run(form, old_link, "5", 1);
  EXPECT_EQ(FilesIn(old_folder), Names({"01.jpg", "1.png", "2.png"}));
  EXPECT_EQ(FilesIn(new_folder), Names({"3.png", "4.png", "5.png"}));
  EXPECT_EQ(ReadTestFile(new_folder + "4.png"), HttpFetch(new_link + "4.jpg"));
  EXPECT_EQ(ReadTestFile(new_folder + "4.png").size(), 13000u);
}

}  // namespace
