#include "download/download_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "download/page_rules.h"
#include "download/recording_form.h"

namespace {

const Text kDone = "\xcf\xc2\xd4\xd8\xcd\xea\xb3\xc9\xa3\xa1";  // 下载完成！
const Text kGe = "\xb8\xf6";                                      // 个

ByteString Jpeg(size_t size, char fill) {
  ByteString bytes(size, fill);
  bytes.replace(0, 4, "\xFF\xD8\xFF\xE0", 4);
  return bytes;
}

// A server in memory: what each address serves, and how often it fails first.
class FakeServer {
 public:
  void Serve(const Text& address, const ByteString& bytes) { served_[address] = bytes; }
  void FailFirst(const Text& address, int times) { failures_left_[address] = times; }

  ByteString Fetch(const Text& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(address);
    if (failures_left_[address] > 0) {
      --failures_left_[address];
      return ByteString();
    }
    auto found = served_.find(address);
    return found == served_.end() ? ByteString() : found->second;
  }

  std::vector<Text> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  std::mutex mutex_;
  std::map<Text, ByteString> served_;
  std::map<Text, int> failures_left_;
  std::vector<Text> requests_;
};

// A disk in memory.
class FakeDisk {
 public:
  bool Write(const Text& path, const ByteString& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (refused_.count(path)) return false;
    files_[path] = bytes;
    return true;
  }
  void Refuse(const Text& path) { refused_.insert(path); }
  std::map<Text, ByteString> Files() {
    std::lock_guard<std::mutex> lock(mutex_);
    return files_;
  }

 private:
  std::mutex mutex_;
  std::map<Text, ByteString> files_;
  std::set<Text> refused_;
};

const Text kLink = "http://img.test/book/";
const Text kFolder = "C:\\books\\B\\";

// One download against the fakes, with the folder and the pauses recorded.
class DownloadPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.WriteText(Control::下载链接框, kLink);
    services.fetch = [this](const Text& address) { return server.Fetch(address); };
    services.write_file = [this](const Text& path, const ByteString& bytes) { return disk.Write(path, bytes); };
    services.book_folder = [this] {
      std::lock_guard<std::mutex> lock(mutex);
      return folder;
    };
    services.sleep = [this](int ms) {
      std::lock_guard<std::mutex> lock(mutex);
      pauses.push_back(ms);
    };
    services.show_message = [this](const Text& message) {
      std::lock_guard<std::mutex> lock(mutex);
      messages.push_back(message);
    };
    services.shutdown = &shutdown;
  }

  // Serves a cover and pages 1..count under the link.
  void ServeBook(int count) {
    server.Serve(kLink + "index.jpg", Jpeg(12000, 'c'));
    for (int page = 1; page <= count; ++page) server.Serve(kLink + std::to_string(page) + ".jpg", Jpeg(12000 + page, 'p'));
  }

  void Run(const Text& page_count, int threads) {
    form.WriteText(Control::总页码框, page_count);
    DownloadPages(form, services, threads);
  }

  RecordingForm form;
  FakeServer server;
  FakeDisk disk;
  ShutdownLatch shutdown;
  DownloadServices services;
  std::mutex mutex;
  Text folder = kFolder;
  std::vector<int> pauses;
  std::vector<Text> messages;
};

TEST_F(DownloadPagesTest, ThreePagesInOrderWithProgressAndMessage) {
  ServeBook(3);
  Run("3", 1);
  const std::vector<Text> expected_requests = {kLink + "index.jpg", kLink + "1.jpg", kLink + "2.jpg", kLink + "3.jpg"};
  EXPECT_EQ(server.Requests(), expected_requests);
  const std::map<Text, ByteString> expected_files = {
      {kFolder + "01.jpg", Jpeg(12000, 'c')},
      {kFolder + "1.png", Jpeg(12001, 'p')},
      {kFolder + "2.png", Jpeg(12002, 'p')},
      {kFolder + "3.png", Jpeg(12003, 'p')},
  };
  EXPECT_EQ(disk.Files(), expected_files);
  EXPECT_EQ(form.Captions(), (std::vector<Text>{"1" + kGe, "2" + kGe, "3" + kGe}));
  EXPECT_EQ(form.Positions(), (std::vector<long long>{33, 66, 100}));
  EXPECT_EQ(messages, std::vector<Text>{kDone});
  EXPECT_TRUE(pauses.empty());
}

struct CountCase {
  Text box;
  size_t pages_fetched;
};

TEST_F(DownloadPagesTest, PageCountComesFromTheBoxOnce) {
  const CountCase cases[] = {
      {"2.9", 2}, {"-5", 0}, {"", 0}, {"abc", 0}, {"\xa3\xb3", 3}, {"0", 0},
  };
  for (const CountCase& c : cases) {
    RecordingForm fresh;
    fresh.WriteText(Control::下载链接框, kLink);
    fresh.WriteText(Control::总页码框, c.box);
    FakeServer fresh_server;
    fresh_server.Serve(kLink + "index.jpg", Jpeg(12000, 'c'));
    for (int page = 1; page <= 3; ++page) fresh_server.Serve(kLink + std::to_string(page) + ".jpg", Jpeg(12000, 'p'));
    messages.clear();
    services.fetch = [&fresh_server](const Text& address) { return fresh_server.Fetch(address); };
    DownloadPages(fresh, services, 1);
    EXPECT_EQ(fresh_server.Requests().size(), 1 + c.pages_fetched) << c.box;
    EXPECT_EQ(fresh.Captions().size(), c.pages_fetched) << c.box;
    EXPECT_EQ(messages, std::vector<Text>{kDone}) << c.box;
  }
}

TEST_F(DownloadPagesTest, SizeTestDropsTheShortPageAfterThreeTries) {
  server.Serve(kLink + "index.jpg", Jpeg(9728, 'c'));
  server.Serve(kLink + "1.jpg", Jpeg(9727, 'p'));
  server.Serve(kLink + "2.jpg", Jpeg(9728, 'p'));
  Run("2", 1);
  const std::map<Text, ByteString> expected_files = {
      {kFolder + "01.jpg", Jpeg(9728, 'c')},
      {kFolder + "2.png", Jpeg(9728, 'p')},
  };
  EXPECT_EQ(disk.Files(), expected_files);
  const std::vector<Text> requests = server.Requests();
  EXPECT_EQ(std::count(requests.begin(), requests.end(), kLink + "1.jpg"), 3);
  EXPECT_EQ(pauses, (std::vector<int>{500, 2000}));
  EXPECT_EQ(form.Captions(), (std::vector<Text>{"1" + kGe, "2" + kGe}));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], kDone + "\r\n\xd2\xd1\xb1\xa3\xb4\xe6 1/2 \xd2\xb3\xa3\xac\xc8\xb1 1 \xd2\xb3\xa3\xba" "1");
}

TEST_F(DownloadPagesTest, LargeHtmlErrorPageIsNeverStored) {
  server.Serve(kLink + "index.jpg", Jpeg(12000, 'c'));
  server.Serve(kLink + "1.jpg", "<!DOCTYPE html><html><body>404 Not Found" + ByteString(20000, ' ') + "</body></html>");
  Run("1", 1);
  EXPECT_EQ(disk.Files().count(kFolder + "1.png"), 0u);
  EXPECT_EQ(disk.Files().size(), 1u);
  EXPECT_EQ(server.Requests().size(), 4u);  // the cover, then three tries of page 1
}

TEST_F(DownloadPagesTest, EveryPictureFailingOnceIsStoredOnTheSecondTry) {
  ServeBook(3);
  server.FailFirst(kLink + "index.jpg", 1);
  for (int page = 1; page <= 3; ++page) server.FailFirst(kLink + std::to_string(page) + ".jpg", 1);
  Run("3", 1);
  EXPECT_EQ(disk.Files().size(), 4u);
  EXPECT_EQ(pauses, (std::vector<int>{500, 500, 500, 500}));
  EXPECT_EQ(messages, std::vector<Text>{kDone});
}

TEST_F(DownloadPagesTest, DeadServerStoresNothingButWalksEveryPage) {
  Run("3", 1);
  EXPECT_TRUE(disk.Files().empty());
  EXPECT_EQ(server.Requests().size(), 12u);  // four pictures, three tries each
  EXPECT_EQ(form.Captions(), (std::vector<Text>{"1" + kGe, "2" + kGe, "3" + kGe}));
  EXPECT_EQ(form.Positions(), (std::vector<long long>{33, 66, 100}));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], kDone +
                             "\r\n\xd2\xd1\xb1\xa3\xb4\xe6 0/3 \xd2\xb3\xa3\xac\xb7\xe2\xc3\xe6\xc8\xb1\xca\xa7"
                             "\xa3\xac\xc8\xb1 3 \xd2\xb3\xa3\xba" "1\xa1\xa2" "2\xa1\xa2" "3");
}

TEST_F(DownloadPagesTest, ManyMissingPagesAreListedShort) {
  Run("30", 4);
  ASSERT_EQ(messages.size(), 1u);
  Text listed;
  for (int page = 1; page <= 20; ++page) listed += (page > 1 ? "\xa1\xa2" : "") + std::to_string(page);
  EXPECT_NE(messages[0].find("\xc8\xb1 30 \xd2\xb3\xa3\xba" + listed + "\xa1\xad"), Text::npos);
}

TEST_F(DownloadPagesTest, UnwritableFileCountsAsMissing) {
  ServeBook(2);
  disk.Refuse(kFolder + "2.png");
  Run("2", 1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], kDone + "\r\n\xd2\xd1\xb1\xa3\xb4\xe6 1/2 \xd2\xb3\xa3\xac\xc8\xb1 1 \xd2\xb3\xa3\xba" "2");
}

TEST_F(DownloadPagesTest, LinkAndFolderAreReadForEveryPicture) {
  ServeBook(3);
  const Text new_link = "http://img.test/other/";
  server.Serve(new_link + "3.jpg", Jpeg(15000, 'n'));
  // A new analysis lands while page 2 is being fetched.
  services.fetch = [&](const Text& address) {
    if (address == kLink + "2.jpg") {
      form.WriteText(Control::下载链接框, new_link);
      std::lock_guard<std::mutex> lock(mutex);
      folder = "C:\\books\\Other\\";
    }
    return server.Fetch(address);
  };
  Run("3", 1);
  const std::map<Text, ByteString> expected_files = {
      {kFolder + "01.jpg", Jpeg(12000, 'c')},
      {kFolder + "1.png", Jpeg(12001, 'p')},
      {"C:\\books\\Other\\2.png", Jpeg(12002, 'p')},
      {"C:\\books\\Other\\3.png", Jpeg(15000, 'n')},
  };
  EXPECT_EQ(disk.Files(), expected_files);
}

TEST_F(DownloadPagesTest, NothingIsTouchedOnceShutDownBegins) {
  ServeBook(5);
  services.fetch = [&](const Text& address) {
    if (address == kLink + "2.jpg") shutdown.Close();
    return server.Fetch(address);
  };
  Run("5", 1);
  const std::vector<Text> expected_requests = {kLink + "index.jpg", kLink + "1.jpg", kLink + "2.jpg"};
  EXPECT_EQ(server.Requests(), expected_requests);
  EXPECT_EQ(disk.Files().size(), 2u);  // the cover and page 1; page 2 arrived too late
  EXPECT_EQ(form.Captions(), std::vector<Text>{"1" + kGe});
  EXPECT_TRUE(messages.empty());
}

TEST_F(DownloadPagesTest, ClosedBeforeTheStartDoesNothing) {
  ServeBook(2);
  shutdown.Close();
  Run("2", 4);
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_TRUE(disk.Files().empty());
  EXPECT_TRUE(messages.empty());
}

// Pages 1..10 wait at the server until `threads` of them are in flight together (or a
// generous safety limit passes), so the test sees how many fetches really overlap.
struct OverlapProbe {
  std::mutex mutex;
  std::condition_variable changed;
  int in_flight = 0;
  int most_in_flight = 0;

  void Enter(int wanted) {
    std::unique_lock<std::mutex> lock(mutex);
    most_in_flight = std::max(most_in_flight, ++in_flight);
    changed.notify_all();
    changed.wait_for(lock, std::chrono::seconds(20), [&] { return most_in_flight >= wanted; });
  }
  void Leave() {
    std::lock_guard<std::mutex> lock(mutex);
    --in_flight;
  }
};

struct ThreadsCase {
  int box;
  int overlap;
};

TEST_F(DownloadPagesTest, ThreadCountSetsHowManyPicturesAreFetchedAtOnce) {
  const ThreadsCase cases[] = {{1, 1}, {10, 10}, {32, 32}};
  for (const ThreadsCase& c : cases) {
    RecordingForm fresh;
    fresh.WriteText(Control::下载链接框, kLink);
    fresh.WriteText(Control::总页码框, "300");
    FakeServer fresh_server;
    fresh_server.Serve(kLink + "index.jpg", Jpeg(12000, 'c'));
    for (int page = 1; page <= 300; ++page) fresh_server.Serve(kLink + std::to_string(page) + ".jpg", Jpeg(10000 + page, 'p'));
    FakeDisk fresh_disk;
    OverlapProbe probe;
    bool cover_seen_alone = true;
    services.fetch = [&](const Text& address) {
      const bool cover = address == kLink + "index.jpg";
      if (!cover) {
        probe.Enter(c.overlap);
      } else {
        std::lock_guard<std::mutex> lock(probe.mutex);
        cover_seen_alone = cover_seen_alone && probe.in_flight == 0 && fresh_server.Requests().empty();
      }
      ByteString bytes = fresh_server.Fetch(address);
      if (!cover) probe.Leave();
      return bytes;
    };
    services.write_file = [&](const Text& path, const ByteString& bytes) { return fresh_disk.Write(path, bytes); };
    messages.clear();
    DownloadPages(fresh, services, c.box);

    EXPECT_EQ(probe.most_in_flight, c.overlap) << c.box;
    EXPECT_TRUE(cover_seen_alone) << c.box;
    EXPECT_EQ(fresh_server.Requests().front(), kLink + "index.jpg");
    const std::map<Text, ByteString> files = fresh_disk.Files();
    ASSERT_EQ(files.size(), 301u) << c.box;
    for (int page = 1; page <= 300; ++page) {
      EXPECT_EQ(files.at(kFolder + std::to_string(page) + ".png"), Jpeg(10000 + page, 'p'));
    }
    // The caption counts the pages finished, one more each time; the bar never goes back.
    const std::vector<Text> captions = fresh.Captions();
    ASSERT_EQ(captions.size(), 300u);
    for (size_t k = 0; k < captions.size(); ++k) EXPECT_EQ(captions[k], std::to_string(k + 1) + kGe);
    const std::vector<long long> positions = fresh.Positions();
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions.back(), 100);
    EXPECT_EQ(messages, std::vector<Text>{kDone});
  }
}

TEST_F(DownloadPagesTest, MoreThreadsThanPages) {
  ServeBook(2);
  Run("2", 32);
  EXPECT_EQ(disk.Files().size(), 3u);
  EXPECT_EQ(form.Captions(), (std::vector<Text>{"1" + kGe, "2" + kGe}));
  EXPECT_EQ(messages, std::vector<Text>{kDone});
}

}  // namespace
