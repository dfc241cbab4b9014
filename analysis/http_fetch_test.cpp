#include "analysis/http_fetch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_server.h"

namespace {

std::string ReadFixture(const std::string& relative) {
  std::string path = std::string("Z:") + FIXTURES_DIR + "/" + relative;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The server's log lines that mention this test's own path.
std::vector<std::string> LoggedRequests(const std::string& path_part) {
  const std::string log = HttpFetch(TestServerUrl("/__log"));
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    if (line.find(path_part) != std::string::npos) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

TEST(HttpFetch, ReturnsBinaryBodyByteForByte) {
  const std::string expected = ReadFixture("fetch/binary.bin");
  ASSERT_GT(expected.size(), 3000u);
  EXPECT_EQ(HttpFetch(TestServerUrl("/fetch/binary.bin")), expected);
}

TEST(HttpFetch, SendsTheRequestAsDesigned) {
  ASSERT_FALSE(HttpFetch(TestServerUrl("/fetch/binary.bin?sent-request=1")).empty());
  const std::vector<std::string> logged = LoggedRequests("sent-request=1");
  ASSERT_EQ(logged.size(), 1u);
  const std::string& line = logged[0];
  EXPECT_NE(line.find("\"GET\""), std::string::npos) << line;
  EXPECT_NE(line.find("\"HTTP/1.0\""), std::string::npos) << line;
  EXPECT_NE(line.find("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"), std::string::npos) << line;
  EXPECT_NE(line.find("[\"Accept\", \"*/*"), std::string::npos) << line;
  EXPECT_EQ(line.find("Referer"), std::string::npos) << line;
  EXPECT_NE(line.find("/fetch/binary.bin?sent-request=1"), std::string::npos) << "the query stays: " << line;
}

TEST(HttpFetch, ReturnsTheBodyOfAnErrorResponse) {
  EXPECT_EQ(HttpFetch(TestServerUrl("/fetch/~status=404/not_found.html")), ReadFixture("fetch/not_found.html"));
}

TEST(HttpFetch, DoesNotSendTheFragment) {
  EXPECT_EQ(HttpFetch(TestServerUrl("/fetch/binary.bin?fragment-test=1#page=3")), ReadFixture("fetch/binary.bin"));
  const std::vector<std::string> logged = LoggedRequests("fragment-test=1");
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0].find("page=3"), std::string::npos) << logged[0];
}

TEST(HttpFetch, AddressesThatCannotBeFetchedGiveEmptyWithoutARequest) {
  const std::string addresses[] = {
      "",
      "127.0.0.1/no-scheme-test",
      TestServerHost() + "/no-scheme-test",
      "ftp://" + TestServerHost() + "/no-scheme-test",
      "http://" + std::string(300, 'h') + "/no-scheme-test",
      TestServerUrl("/no-scheme-test/" + std::string(2100, 'p')),
  };
  for (const std::string& address : addresses) {
    EXPECT_EQ(HttpFetch(address), "") << address.substr(0, 80);
  }
  EXPECT_TRUE(LoggedRequests("no-scheme-test").empty());
}

struct FaultCase {
  const char* path;
  bool expect_body;
};

TEST(HttpFetch, ServerFaults) {
  const FaultCase cases[] = {
      {"/fetch/~delay=300/binary.bin", true},
      {"/fetch/~nolength/binary.bin", true},
      {"/fetch/~drop/binary.bin", false},
      // A body cut short of its Content-Length is never taken for a whole one.
      {"/fetch/~truncate=100/binary.bin", false},
      {"/fetch/~truncate=3000/binary.bin", false},
  };
  const std::string whole = ReadFixture("fetch/binary.bin");
  for (const FaultCase& c : cases) {
    EXPECT_EQ(HttpFetch(TestServerUrl(c.path)), c.expect_body ? whole : "") << c.path;
  }
}

TEST(HttpFetch, RefusedConnectionGivesEmpty) {
  // Port 9 on loopback: nothing listens there.
  EXPECT_EQ(HttpFetch("http://127.0.0.1:9/x.jpg"), "");
}

TEST(HttpFetch, BodyOverSixtyFourMebibytesGivesEmpty) {
  EXPECT_EQ(HttpFetch(TestServerUrl("/__gen/zeros/67108865/huge")), "");
  EXPECT_EQ(HttpFetch(TestServerUrl("/__gen/zeros/67108864/largest")).size(), 67108864u);
}

TEST(HttpFetch, ServerThatNeverAnswersTimesOut) {
  EXPECT_EQ(HttpFetch(TestServerUrl("/fetch/~hang/binary.bin")), "");
}

TEST(HttpFetch, TwentyThreadsAtOnceEachGetTheirOwnBody) {
  constexpr int kThreads = 20;
  std::vector<std::string> expected(kThreads);
  std::vector<std::string> got(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([i, &got] {
      got[i] = HttpFetch(TestServerUrl("/__gen/jpeg/" + std::to_string(20000 + i * 997) + "/parallel/" +
                                       std::to_string(i) + "?delay-free"));
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < kThreads; ++i) {
    expected[i] = HttpFetch(TestServerUrl("/__gen/jpeg/" + std::to_string(20000 + i * 997) + "/parallel/" +
                                          std::to_string(i)));
    ASSERT_EQ(expected[i].size(), static_cast<size_t>(20000 + i * 997));
    EXPECT_EQ(got[i], expected[i]) << "thread " << i;
  }
}

}  // namespace
