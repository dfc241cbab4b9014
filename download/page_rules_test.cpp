#include "download/page_rules.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

ByteString Jpeg(size_t size) {
  ByteString bytes(size, 'x');
  bytes.replace(0, 4, "\xFF\xD8\xFF\xE0", 4);
  return bytes;
}

TEST(PassesSizeTest, KeepsFrom9728BytesOn) {
  EXPECT_FALSE(PassesSizeTest(0));
  EXPECT_FALSE(PassesSizeTest(1024));
  EXPECT_FALSE(PassesSizeTest(9727));  // 9.499 KiB rounds to 9
  EXPECT_TRUE(PassesSizeTest(9728));   // 9.5 KiB rounds up to 10
  EXPECT_TRUE(PassesSizeTest(10240));
  EXPECT_TRUE(PassesSizeTest(1u << 30));
}

struct SignatureCase {
  ByteString head;
  bool picture;
};

TEST(LooksLikePicture, KnowsTheCommonSignatures) {
  const SignatureCase cases[] = {
      {ByteString("\xFF\xD8\xFF\xE0", 4), true},
      {ByteString("\x89PNG\r\n\x1A\n", 8), true},
      {"GIF87a", true},
      {"GIF89a", true},
      {"BM", true},
      {ByteString("RIFF\x10\x00\x00\x00" "WEBPVP8 ", 16), true},
      {ByteString("II*\0", 4), true},
      {ByteString("MM\0*", 4), true},
      {"<!DOCTYPE html>", false},
      {"<html><body>Not Found", false},
      {"", false},
      {"\xFF\xD8", false},                              // cut short
      {ByteString("RIFF\x10\x00\x00\x00" "WAVEfmt ", 16), false},
      {"\x89PNG", false},
      {"GIF88a", false},
  };
  for (const SignatureCase& c : cases) {
    ByteString bytes = c.head + ByteString(16, '\0');
    if (c.head.size() < 4) bytes = c.head;  // keep the short ones short
    EXPECT_EQ(LooksLikePicture(bytes), c.picture) << c.head;
  }
}

TEST(IsStorablePicture, NeedsSizeAndSignature) {
  EXPECT_TRUE(IsStorablePicture(Jpeg(9728)));
  EXPECT_FALSE(IsStorablePicture(Jpeg(9727)));
  EXPECT_FALSE(IsStorablePicture("<html>" + ByteString(20000, ' ')));
  EXPECT_FALSE(IsStorablePicture(ByteString()));
}

TEST(ProgressPosition, DividesFirstThenCutsTowardZero) {
  EXPECT_EQ(ProgressPosition(1, 3), 33);
  EXPECT_EQ(ProgressPosition(2, 3), 66);
  EXPECT_EQ(ProgressPosition(3, 3), 100);
  EXPECT_EQ(ProgressPosition(1, 1), 100);
  EXPECT_EQ(ProgressPosition(150, 300), 50);
  EXPECT_EQ(ProgressPosition(29, 100), 28);  // 0.29 * 100 is 28.999... in doubles
}

TEST(ProgressCaption, NumberFollowedByGe) {
  EXPECT_EQ(ProgressCaption(1), "1\xb8\xf6");
  EXPECT_EQ(ProgressCaption(7), "7\xb8\xf6");
  EXPECT_EQ(ProgressCaption(300), "300\xb8\xf6");
}

TEST(ClampFetchThreads, KeepsOneToThirtyTwo) {
  const std::pair<int32_t, int> cases[] = {
      {std::numeric_limits<int32_t>::min(), 1}, {-5, 1}, {0, 1}, {1, 1}, {10, 10}, {32, 32}, {33, 32},
      {std::numeric_limits<int32_t>::max(), 32},
  };
  for (const auto& c : cases) EXPECT_EQ(ClampFetchThreads(c.first), c.second) << c.first;
}

const Text kDone = "\xcf\xc2\xd4\xd8\xcd\xea\xb3\xc9\xa3\xa1";  // 下载完成！
const Text kStored = "\xd2\xd1\xb1\xa3\xb4\xe6 ";                // 已保存
const Text kPages = " \xd2\xb3";                                  // 页
const Text kCoverMissing = "\xa3\xac\xb7\xe2\xc3\xe6\xc8\xb1\xca\xa7";  // ，封面缺失
const Text kMissing = "\xa3\xac\xc8\xb1 ";                       // ，缺
const Text kColon = "\xa3\xba";                                  // ：
const Text kSep = "\xa1\xa2";                                    // 、

struct MessageCase {
  DownloadOutcome outcome;
  Text message;
};

TEST(ClosingMessage, SaysWhatIsMissing) {
  DownloadOutcome many{300, true, 270, 30, {}};
  Text many_list;
  for (int32_t page = 1; page <= 20; ++page) {
    many.first_missing.push_back(page * 3);
    many_list += (page > 1 ? kSep : "") + std::to_string(page * 3);
  }
  DownloadOutcome exactly_twenty = many;
  exactly_twenty.pages_missing = 20;
  exactly_twenty.pages_stored = 280;

  const MessageCase cases[] = {
      {{3, true, 3, 0, {}}, kDone},
      {{0, true, 0, 0, {}}, kDone},
      {{-5, true, 0, 0, {}}, kDone},
      {{3, false, 3, 0, {}}, kDone + "\r\n" + kStored + "3/3" + kPages + kCoverMissing},
      {{3, true, 1, 2, {2, 3}}, kDone + "\r\n" + kStored + "1/3" + kPages + kMissing + "2" + kPages + kColon + "2" + kSep + "3"},
      {{3, false, 0, 3, {1, 2, 3}},
       kDone + "\r\n" + kStored + "0/3" + kPages + kCoverMissing + kMissing + "3" + kPages + kColon + "1" + kSep + "2" + kSep + "3"},
      {{-5, false, 0, 0, {}}, kDone + "\r\n" + kStored + "0/0" + kPages + kCoverMissing},
      {many, kDone + "\r\n" + kStored + "270/300" + kPages + kMissing + "30" + kPages + kColon + many_list + "\xa1\xad"},
      {exactly_twenty, kDone + "\r\n" + kStored + "280/300" + kPages + kMissing + "20" + kPages + kColon + many_list},
  };
  for (const MessageCase& c : cases) EXPECT_EQ(ClosingMessage(c.outcome), c.message);
}

}  // namespace
