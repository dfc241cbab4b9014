#include "download/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct NormalizeCase {
  Text in;
  Text out;
};

TEST(NormalizeNumberText, FoldsFullWidthFormsAndKeepsOtherCharacters) {
  const NormalizeCase cases[] = {
      {"\xa3\xb1\xa3\xb2", "12"},                       // full-width digits
      {"\xa3\xab\xa3\xad\xa3\xae", "+-."},             // full-width signs and point
      {"\xa3\xc5\xa3\xe5", "Ee"},                       // full-width exponent letters
      {"\xa3\xa1\xa3\xfe", "!~"},                       // ends of the full-width range
      {"\xa3\xa0", "\xa3\xa0"},                         // trail below the range stays
      {"\xa1\xa1", " "},                                // ideographic space
      {"\xa1\xab", "~"},
      {"\xa1\xee\xa1\xef", "**"},
      {"\xa1\xa2", "\xa1\xa2"},                         // other pairs stay
      {"\xb8\xf6", "\xb8\xf6"},
      {"\xb8\x31", "\xb8\x31"},                         // an ASCII trail byte belongs to its lead
      {"ab\xb8", "ab"},                                 // a lead byte at the end is dropped
      {Text("7\0" "8", 3), "7"},                        // the text ends at its NUL
      {"", ""},
  };
  for (const NormalizeCase& c : cases) EXPECT_EQ(NormalizeNumberText(c.in), c.out) << c.in;
}

struct NumberCase {
  Text in;
  double value;
};

TEST(NumberFromText, ReadsLikeTheUserTypedIt) {
  const NumberCase cases[] = {
      {"3", 3.0},
      {"2.9", 2.9},
      {"-5", -5.0},
      {"+7", 7.0},
      {"  12", 12.0},
      {"\t\n\v\f\r12", 12.0},
      {"\xa1\xa1" "8", 8.0},                           // ideographic space before
      {"\xa3\xb1\xa3\xb2", 12.0},                      // １２
      {"\xa3\xad\xa3\xb3\xa3\xae\xa3\xb5", -3.5},      // －３．５
      {"\xa3\xab\xa3\xb7", 7.0},                       // ＋７
      {"\xa3\xb1\xa3\xe5\xa3\xb2", 100.0},             // １ｅ２
      {"1e3", 1000.0},
      {"2.5E-1", 0.25},
      {"1e+2x", 100.0},
      {"1e", 1.0},
      {"1e+", 1.0},
      {".5", 0.5},
      {"5.", 5.0},
      {"12abc", 12.0},
      {"12\xb8\xf6", 12.0},                            // 12个
      {"1 2", 1.0},
      {"7\xb8", 7.0},                                  // lead byte before the end
      {"", 0.0},
      {"abc", 0.0},
      {".", 0.0},
      {"-", 0.0},
      {"- 5", 0.0},
      {"0x10", 0.0},
      {"inf", 0.0},
      {"nan", 0.0},
      {"\xb8\x31", 0.0},                               // the '1' is a trail byte, not a digit
      {"\xa1\xab" "5", 0.0},                           // "~5"
  };
  for (const NumberCase& c : cases) EXPECT_DOUBLE_EQ(NumberFromText(c.in), c.value) << c.in;
}

TEST(NumberFromText, HugeExponentGivesInfinity) {
  EXPECT_TRUE(std::isinf(NumberFromText("1e999")));
}

struct IntegerCase {
  Text in;
  int32_t value;
};

TEST(IntegerFromText, ReadsSignAndDigitsAndWraps) {
  const IntegerCase cases[] = {
      {"10", 10},
      {"-5", -5},
      {"+7", 7},
      {"2.9", 2},
      {"1e3", 1},
      {"\xa3\xb1\xa3\xb0", 10},                        // １０
      {"\xa3\xad\xa3\xb3", -3},                        // －３
      {"\xa3\xab\xa3\xb5", 5},                         // ＋５
      {"7\xa1\xa1", 7},                                // ideographic space after
      {"\xa1\xa1" "7", 0},                             // reading starts at the first byte
      {" 7", 0},
      {"", 0},
      {"abc", 0},
      {"--5", 0},
      {"2147483647", 2147483647},
      {"2147483648", std::numeric_limits<int32_t>::min()},
      {"-2147483649", 2147483647},
      {"4294967296", 0},
      {"4294967297", 1},
      {"99999999999", 1215752191},                     // 99999999999 mod 2^32
      {"-4294967295", 1},
  };
  for (const IntegerCase& c : cases) EXPECT_EQ(IntegerFromText(c.in), c.value) << c.in;
}

struct TruncationCase {
  double in;
  int32_t value;
};

TEST(LowWordOfTruncation, CutsTowardZeroAndKeepsTheLowWord) {
  const TruncationCase cases[] = {
      {2.9, 2},
      {-2.9, -2},
      {-5.0, -5},
      {0.99, 0},
      {4294967299.0, 3},
      {2147483648.0, std::numeric_limits<int32_t>::min()},
      {-2147483649.0, 2147483647},
      {1e300, 0},
      {-1e300, 0},
      {std::numeric_limits<double>::infinity(), 0},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const TruncationCase& c : cases) EXPECT_EQ(LowWordOfTruncation(c.in), c.value) << c.in;
}

TEST(LowWordOfTruncation, PageCountsFromTheBox) {
  EXPECT_EQ(LowWordOfTruncation(NumberFromText("2.9")), 2);
  EXPECT_EQ(LowWordOfTruncation(NumberFromText("-5")), -5);
  EXPECT_EQ(LowWordOfTruncation(NumberFromText("\xa3\xb1\xa3\xe5\xa3\xb1")), 10);  // １ｅ１
  EXPECT_EQ(LowWordOfTruncation(NumberFromText("4294967299")), 3);
  EXPECT_EQ(LowWordOfTruncation(NumberFromText("1e999")), 0);
}

TEST(DecimalText, PlainDigitsWithMinusForNegativesOnly) {
  EXPECT_EQ(DecimalText(0), "0");
  EXPECT_EQ(DecimalText(7), "7");
  EXPECT_EQ(DecimalText(10), "10");
  EXPECT_EQ(DecimalText(-5), "-5");
  EXPECT_EQ(DecimalText(std::numeric_limits<int32_t>::min()), "-2147483648");
  EXPECT_EQ(DecimalText(std::numeric_limits<int32_t>::max()), "2147483647");
}

}  // namespace
