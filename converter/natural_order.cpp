#include "converter/natural_order.h"

#include <algorithm>

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Compares the digit runs starting at a[i] and b[j] by value, however long they are;
// advances i and j past them.
int CompareDigitRuns(const std::string& a, size_t* i, const std::string& b, size_t* j) {
  size_t a_end = *i, b_end = *j;
  while (a_end < a.size() && IsDigit(a[a_end])) ++a_end;
  while (b_end < b.size() && IsDigit(b[b_end])) ++b_end;
  size_t a_start = *i, b_start = *j;
  while (a_start + 1 < a_end && a[a_start] == '0') ++a_start;
  while (b_start + 1 < b_end && b[b_start] == '0') ++b_start;
  *i = a_end;
  *j = b_end;
  const size_t a_length = a_end - a_start, b_length = b_end - b_start;
  if (a_length != b_length) return a_length < b_length ? -1 : 1;
  const int order = a.compare(a_start, a_length, b, b_start, b_length);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int NaturalCompare(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      const int order = CompareDigitRuns(a, &i, b, &j);
      if (order != 0) return order;
      continue;
    }
    const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[j]);
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}
}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  const int order = NaturalCompare(a, b);
  if (order != 0) return order < 0;
  return a < b;  // std::string compares as unsigned bytes
}

void SortNaturally(std::vector<std::string>* names) { std::sort(names->begin(), names->end(), NaturalLess); }
