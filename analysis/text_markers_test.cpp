#include "analysis/text_markers.h"

#include <gtest/gtest.h>

namespace {

// GBK: 共 = B9 B2, 页 = D2 B3, 中 = D6 D0, 文 = CE C4.
const Text kGong = "\xb9\xb2";
const Text kYe = "\xd2\xb3";

TEST(TextLength, CountsBytesBeforeTheFirstNul) {
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength("abc"), 3);
  EXPECT_EQ(TextLength("\xd6\xd0\xce\xc4"), 4);
  EXPECT_EQ(TextLength(Text("ab\0cd", 5)), 2);
}

struct FindCase {
  const char* name;
  Text haystack;
  Text needle;
  int expected;
};

TEST(FindText, Table) {
  const FindCase cases[] = {
      {"at start", "abc", "a", 1},
      {"in middle", "abcabc", "ca", 3},
      {"first of several", "xxabab", "ab", 3},
      {"absent", "abc", "d", -1},
      {"case sensitive", "ABC", "b", -1},
      {"empty haystack", "", "a", -1},
      {"needle longer than haystack", "ab", "abc", -1},
      {"whole haystack", "abc", "abc", 1},
      {"after a two-byte character", "\xd6\xd0" "abc", "b", 4},
      {"two-byte needle", "x\xb9\xb2" "120\xd2\xb3", kYe, 7},
      // 0x5C is the trail byte of the GBK character 5C-trail "\x95\x5c"; it is never a match start.
      {"one-byte needle equal to a trail byte", "a\x95\x5c" "b", "\\", -1},
      {"trail byte and a real one later", "a\x95\x5c" "b\\", "\\", 5},
      // A match straddling two characters ("\xb2\xd2" = trail of 共 + lead of 页) starts on a trail byte.
      {"match across a character boundary", kGong + kYe, "\xb2\xd2", -1},
      {"lead byte before the end", "ab\xb9", "z", -1},
      {"text after a NUL is not searched", Text("ab\0cd", 5), "c", -1},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(FindText(c.haystack, c.needle), c.expected) << c.name;
  }
}

struct MidCase {
  const char* name;
  Text text;
  int start;
  int count;
  Text expected;
};

TEST(MidText, Table) {
  const MidCase cases[] = {
      {"start 0", "abcdef", 0, 3, ""},
      {"negative start", "abcdef", -4, 3, ""},
      {"start 1", "abcdef", 1, 3, "abc"},
      {"count beyond the end", "abcdef", 1, 100, "abcdef"},
      {"start at last byte", "abcdef", 6, 2, "f"},
      {"start past the end", "abcdef", 7, 1, ""},
      {"zero count", "abcdef", 2, 0, ""},
      {"negative count", "abcdef", 2, -2, ""},
      {"splits a two-byte character", "\xd6\xd0\xce\xc4", 2, 2, "\xd0\xce"},
      {"stops at the NUL", Text("ab\0cd", 5), 1, 5, "ab"},
  };
  for (const MidCase& c : cases) {
    EXPECT_EQ(MidText(c.text, c.start, c.count), c.expected) << c.name;
  }
}

struct BetweenCase {
  const char* name;
  Text source;
  Text start_marker;
  Text end_marker;
  Text expected;
};

TEST(TextBetween, Table) {
  const BetweenCase cases[] = {
      {"title element", "<html><title>X</title></html>", "<title>", "</title>", "X"},
      {"nothing trimmed", "<title> A B </title>", "<title>", "</title>", " A B "},
      {"first start, first end after it", "a[1]b[2]", "[", "]", "1"},
      {"page count", "\xd6\xd0" + kGong + "120" + kYe + "x" + kYe, kGong, kYe, "120"},
      // A missing two-byte start marker lets the search run from byte 1.
      {"missing two-byte start marker", "abc" + kYe + "def" + kYe, kGong, kYe, "abc"},
      // A missing seven-byte start marker starts the search at byte 6.
      {"missing seven-byte start marker", "0123456789</title>", "<title>", "</title>", "56789"},
      {"missing one-byte start marker", "abc]def", "[", "]", ""},
      {"missing end marker", "<title>abc", "<title>", "</title>", ""},
      {"end marker right at the start", "<title></title>", "<title>", "</title>", ""},
      {"empty source", "", "<title>", "</title>", ""},
      {"end before start only", "]x[y", "[", "]", ""},
  };
  for (const BetweenCase& c : cases) {
    EXPECT_EQ(TextBetween(c.source, c.start_marker, c.end_marker), c.expected) << c.name;
  }
}

}  // namespace
