#include "common/book_folder.h"

#include <memory>
#include <mutex>

namespace {
std::mutex book_folder_mutex;
std::shared_ptr<const Text> book_folder = std::make_shared<const Text>();
bool book_folder_released = false;
}  // namespace

Text ReadBookFolder() {
  std::shared_ptr<const Text> current;
  {
    std::lock_guard<std::mutex> lock(book_folder_mutex);
    current = book_folder;
  }
  return current ? *current : Text();
}

void ReplaceBookFolder(const Text& folder) {
  auto replacement = std::make_shared<const Text>(folder);
  std::lock_guard<std::mutex> lock(book_folder_mutex);
  if (book_folder_released) return;
  book_folder = std::move(replacement);
}

void ReleaseBookFolder() {
  std::shared_ptr<const Text> released;
  std::lock_guard<std::mutex> lock(book_folder_mutex);
  released.swap(book_folder);
  book_folder_released = true;
}
