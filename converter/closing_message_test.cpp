#include "converter/closing_message.h"

#include <gtest/gtest.h>

TEST(ClosingMessage, NamesThePdfAndItsPageCount) {
  ConvertResult result;
  result.written = true;
  result.pages = 137;
  const std::string text = ClosingMessage(result, "D:\\书\\数学.pdf");
  EXPECT_NE(text.find("D:\\书\\数学.pdf"), std::string::npos);
  EXPECT_NE(text.find("137 页"), std::string::npos);
  EXPECT_EQ(text.find("跳过"), std::string::npos);
}

TEST(ClosingMessage, NamesSkippedPicturesAndCountsALongList) {
  ConvertResult result;
  result.written = true;
  result.pages = 3;
  for (int i = 0; i < 20; ++i) result.skipped.push_back(SkippedPicture{std::to_string(i) + ".png", "JPEG cut short"});
  const std::string text = ClosingMessage(result, "x.pdf");
  EXPECT_NE(text.find("20 个文件无法读取"), std::string::npos);
  EXPECT_NE(text.find("0.png（JPEG cut short）"), std::string::npos);
  EXPECT_NE(text.find("14.png"), std::string::npos);
  EXPECT_EQ(text.find("15.png"), std::string::npos);
  EXPECT_NE(text.find("另有 5 个"), std::string::npos);
}

TEST(ClosingMessage, SaysPlainlyWhenNothingWasMade) {
  ConvertResult result;
  result.error = "no picture could be read";
  result.skipped.push_back(SkippedPicture{"1.png", "not a picture"});
  const std::string text = ClosingMessage(result, "x.pdf");
  EXPECT_EQ(text.find("x.pdf"), std::string::npos);
  EXPECT_NE(text.find("没有生成 PDF"), std::string::npos);
  EXPECT_NE(text.find("1.png"), std::string::npos);
  const std::string nothing = NothingToMergeMessage("C:\\书");
  EXPECT_NE(nothing.find("没有可合并的图片"), std::string::npos);
  EXPECT_NE(nothing.find("C:\\书"), std::string::npos);
}
