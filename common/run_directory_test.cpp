#include "common/run_directory.h"

#include <gtest/gtest.h>

TEST(FolderOfProgramPath, Table) {
  struct Case {
    Text path;
    Text expected;
  } cases[] = {
      {"C:\\tools\\app.exe", "C:\\tools"},
      {"C:\\app.exe", "C:"},
      {"app.exe", ""},
      {"", ""},
      // The GBK character 0x955C ends in a backslash byte; the real separator is later.
      {"C:\\\x95\x5c\\app.exe", "C:\\\x95\x5c"},
      {"C:\\a\x95\x5c" "b.exe", "C:"},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderOfProgramPath(c.path), c.expected) << c.path;
}
