#include "common/safe_name.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kMaxNameBytes = 120;

bool IsLeadByte(unsigned char byte) { return byte >= 0x80; }

// Splits a GBK text into whole characters; a lead byte with nothing after it is dropped.
std::vector<Text> Characters(const Text& text) {
  std::vector<Text> characters;
  const size_t length = std::strlen(text.c_str());
  for (size_t i = 0; i < length;) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
      if (i + 1 >= length) break;
      characters.push_back(text.substr(i, 2));
      i += 2;
    } else {
      characters.push_back(text.substr(i, 1));
      i += 1;
    }
  }
  return characters;
}

bool IsDeviceName(const Text& base) {
  Text upper;
  for (char c : base) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // Windows ignores trailing blanks of the base name when it matches device names.
  while (!upper.empty() && upper.back() == ' ') upper.pop_back();
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  for (const char* device : kDevices) {
    if (upper == device) return true;
  }
  return upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
         upper[3] >= '1' && upper[3] <= '9';
}

void TrimEnd(std::vector<Text>& characters) {
  while (!characters.empty() && (characters.back() == " " || characters.back() == ".")) characters.pop_back();
}

}  // namespace

Text SafeFolderName(const Text& title) {
  std::vector<Text> characters = Characters(title);
  for (Text& c : characters) {
    if (c.size() != 1) continue;
    const unsigned char byte = static_cast<unsigned char>(c[0]);
    if (byte < 0x20 || byte == 0x7F) {
      c = " ";
    } else if (std::strchr("<>:\"/\\|?*", byte) != nullptr) {
      c = "_";
    }
  }
  size_t first = 0;
  while (first < characters.size() && characters[first] == " ") ++first;
  characters.erase(characters.begin(), characters.begin() + static_cast<long>(first));
  TrimEnd(characters);

  // Keep whole characters within the byte limit, then trim again what the cut exposed.
  size_t bytes = 0;
  size_t keep = 0;
  while (keep < characters.size() && bytes + characters[keep].size() <= kMaxNameBytes) {
    bytes += characters[keep].size();
    ++keep;
  }
  characters.resize(keep);
  TrimEnd(characters);

  Text name;
  for (const Text& c : characters) name += c;
  if (name == "." || name == "..") return name + "_";
  const size_t dot = name.find('.');
  const Text base = name.substr(0, dot);
  if (IsDeviceName(base)) {
    name.insert(base.size(), "_");
    if (name.size() > kMaxNameBytes) {
      // The base is at most five bytes, so dropping whole characters from the end is safe.
      std::vector<Text> again = Characters(name);
      while (name.size() > kMaxNameBytes) {
        name.resize(name.size() - again.back().size());
        again.pop_back();
      }
    }
  }
  return name;
}
