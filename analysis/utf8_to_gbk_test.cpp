#include "analysis/utf8_to_gbk.h"

#include <gtest/gtest.h>

TEST(Utf8ToGbk, Table) {
  struct Case {
    const char* name;
    ByteString utf8;
    Text gbk;
  } cases[] = {
      {"empty", "", ""},
      {"ascii", "<title>abc</title>", "<title>abc</title>"},
      // 共120页 in UTF-8 and in GBK.
      {"Chinese", "\xe5\x85\xb1" "120" "\xe9\xa1\xb5", "\xb9\xb2" "120" "\xd2\xb3"},
      {"NUL ends the text", ByteString("ab\0cd", 5), "ab"},
      {"invalid UTF-8 becomes ?", "a\xff\xfe" "b", "a??b"},
      // Outside the BMP: each of the two UTF-16 units becomes a "?".
      {"character GBK lacks becomes ?", "x\xf0\x9f\x98\x80y", "x??y"},
      {"BMP character GBK lacks", "x\xe2\x82\xa9y", "x?y"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.name;
}
