#include "common/safe_name.h"

#include <gtest/gtest.h>

namespace {

struct SafeNameCase {
  const char* name;
  Text title;
  Text expected;
};

TEST(SafeFolderName, Table) {
  const SafeNameCase cases[] = {
      {"plain title", "ABC", "ABC"},
      {"Chinese title kept", "\xd3\xef\xce\xc4", "\xd3\xef\xce\xc4"},
      {"empty", "", ""},
      {"parent escapes become one name", "..\\..\\x", ".._.._x"},
      {"forbidden characters", "a<b>c:d\"e/f\\g|h?i*j", "a_b_c_d_e_f_g_h_i_j"},
      {"drive and question", "a:b?c", "a_b_c"},
      {"control bytes become blanks", "a\r\nb\tc", "a  b c"},
      {"leading and trailing blanks go", "  ab  ", "ab"},
      {"trailing dots go", "ab...", "ab"},
      {"trailing dots and blanks together", "ab . .", "ab"},
      {"only dots", "..", ""},
      {"only blanks", "   ", ""},
      {"device name", "CON", "CON_"},
      {"device name in lower case", "nul", "nul_"},
      {"device name with extension", "com1.txt", "com1_.txt"},
      {"numbered device LPT9", "LPT9", "LPT9_"},
      {"COM0 is not a device", "COM0", "COM0"},
      {"device-like prefix is fine", "CONSOLE", "CONSOLE"},
      // 0x955C: a GBK character whose trail byte is a backslash; it must survive whole.
      {"trail byte 0x5C is not a separator", "\x95\x5c" "a", "\x95\x5c" "a"},
      {"trail byte 0x7C is not a pipe", "\x95\x7c", "\x95\x7c"},
      {"lone lead byte at the end is dropped", "ab\xd6", "ab"},
      {"title with CR/LF inside", "\xd3\xef\xce\xc4\r\n(\xc9\xcf)", "\xd3\xef\xce\xc4  (\xc9\xcf)"},
  };
  for (const SafeNameCase& c : cases) {
    EXPECT_EQ(SafeFolderName(c.title), c.expected) << c.name;
  }
}

TEST(SafeFolderName, CutsToWholeCharactersWithin120Bytes) {
  Text title = "a";
  for (int i = 0; i < 100; ++i) title += "\xd6\xd0";  // 201 bytes
  const Text name = SafeFolderName(title);
  EXPECT_EQ(name.size(), 119u);  // 'a' and 59 whole characters; a 120th byte would split one
  EXPECT_EQ(name.substr(0, 3), "a\xd6\xd0");
  EXPECT_EQ(name.substr(name.size() - 2), "\xd6\xd0");
}

TEST(SafeFolderName, CutNeverLeavesATrailingDotOrBlank) {
  Text title(119, 'x');
  title += " .yyy";
  EXPECT_EQ(SafeFolderName(title), Text(119, 'x'));
}

}  // namespace
