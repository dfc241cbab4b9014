#include "analysis/text_markers.h"

#include <cstring>

int TextLength(const Text& text) { return static_cast<int>(std::strlen(text.c_str())); }

int FindText(const Text& haystack, const Text& needle) {
  const int haystack_length = TextLength(haystack);
  const int needle_length = TextLength(needle);
  if (haystack_length == 0) return -1;
  const char* bytes = haystack.c_str();
  int p = 0;  // 0-based index of the candidate
  while (haystack_length - p >= needle_length) {
    if (std::memcmp(bytes + p, needle.c_str(), static_cast<size_t>(needle_length)) == 0) return p + 1;
    if (static_cast<unsigned char>(bytes[p]) >= 0x80) {
      if (bytes[p + 1] == '\0') return -1;
      p += 2;
    } else {
      p += 1;
    }
  }
  return -1;
}

Text MidText(const Text& text, int start, int count) {
  const long long s = static_cast<long long>(start) - 1;
  const int n = TextLength(text);
  if (s < 0 || s >= n || count <= 0) return Text();
  const long long available = n - s;
  return text.substr(static_cast<size_t>(s), static_cast<size_t>(count < available ? count : available));
}

Text TextBetween(const Text& source, const Text& start_marker, const Text& end_marker) {
  const int source_length = TextLength(source);
  const int a = FindText(source, start_marker);
  const int p = a + TextLength(start_marker);
  const Text rest = MidText(source, p, source_length);
  const int b = FindText(rest, end_marker);
  return MidText(rest, 1, b - 1);
}
