#include "converter/natural_order.h"

#include <gtest/gtest.h>

TEST(NaturalOrder, PairsCompareAsTheTableSays) {
  struct Case {
    const char* a;
    const char* b;
    bool a_first;
  };
  const Case cases[] = {
      {"01.jpg", "1.png", true},     // equal values: plain bytes decide, '0' < '1'
      {"1.png", "01.jpg", false},
      {"01.jpg", "2.png", true},
      {"2.png", "10.png", true},     // by value, not by characters
      {"10.png", "9.png", false},
      {"9.png", "10.png", true},
      {"1.png", "1.png", false},     // never less than itself
      {"page2", "page10", true},
      {"page10", "page2", false},
      {"a", "b", true},
      {"B", "a", true},              // bytes: upper case first
      {"abc", "abc1", true},         // a prefix comes first
      {"x007y", "x7y", true},        // ties by plain byte order
      {"x7y", "x007y", false},
      {"99999999999999999999999", "100000000000000000000000", true},  // longer than any integer
      {"img_5_2.png", "img_5_10.png", true},
      {"\xe9\xa1\xb5" "2", "\xe9\xa1\xb5" "10", true},  // UTF-8 prefixes
      {"z1", "\xe9\xa1\xb5", true},  // bytes above 0x7F after ASCII
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NaturalLess(c.a, c.b), c.a_first) << c.a << " vs " << c.b;
  }
}

TEST(NaturalOrder, DownloadedBookSortsCoverFirstThenPages) {
  std::vector<std::string> names = {"11.png", "2.png", "10.png", "1.png", "01.jpg", "3.png", "FreePic2Pdf.exe"};
  SortNaturally(&names);
  const std::vector<std::string> expected = {"01.jpg", "1.png", "2.png", "3.png", "10.png", "11.png",
                                             "FreePic2Pdf.exe"};
  EXPECT_EQ(names, expected);
}
