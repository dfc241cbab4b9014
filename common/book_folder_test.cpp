#include "common/book_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(BookFolder, ReadersSeeOnlyWholePathsWhileItIsReplaced) {
  const Text old_path = "C:\\run\\" + Text(200, 'a') + "\\";
  const Text new_path = "C:\\run\\" + Text(300, 'b') + "\\";
  ReplaceBookFolder(old_path);
  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 4; ++r) {
    readers.emplace_back([&] {
      while (!stop) {
        const Text seen = ReadBookFolder();
        if (seen != old_path && seen != new_path) ++torn;
      }
    });
  }
  for (int i = 0; i < 20000; ++i) ReplaceBookFolder(i % 2 ? old_path : new_path);
  stop = true;
  for (std::thread& t : readers) t.join();
  EXPECT_EQ(torn, 0);

  // After the end routine, reads give the empty text and replacements are ignored.
  ReleaseBookFolder();
  EXPECT_EQ(ReadBookFolder(), "");
  ReplaceBookFolder(new_path);
  EXPECT_EQ(ReadBookFolder(), "");
}
