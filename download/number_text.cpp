#include "download/number_text.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace {
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

size_t SkipDigits(const Text& s, size_t at) {
  while (at < s.size() && IsAsciiDigit(s[at])) ++at;
  return at;
}
}  // namespace

Text NormalizeNumberText(const Text& text) {
  const Text bytes = text.substr(0, text.find('\0'));
  Text out;
  out.reserve(bytes.size());
  for (size_t at = 0; at < bytes.size(); ++at) {
    const unsigned char lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      continue;
    }
    if (at + 1 >= bytes.size()) break;  // a lead byte before the end: dropped, text ends
    const unsigned char trail = static_cast<unsigned char>(bytes[++at]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out += static_cast<char>(trail - 0x80);
    } else if (lead == 0xA1 && trail == 0xA1) {
      out += ' ';
    } else if (lead == 0xA1 && trail == 0xAB) {
      out += '~';
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      out += '*';
    } else {
      out += static_cast<char>(lead);
      out += static_cast<char>(trail);
    }
  }
  return out;
}

double NumberFromText(const Text& text) {
  const Text s = NormalizeNumberText(text);
  size_t at = 0;
  while (at < s.size() && IsWhiteSpace(s[at])) ++at;
  const size_t start = at;
  if (at < s.size() && (s[at] == '+' || s[at] == '-')) ++at;
  const size_t integer_end = SkipDigits(s, at);
  size_t end = integer_end;
  bool has_digits = integer_end > at;
  if (end < s.size() && s[end] == '.') {
    const size_t fraction_end = SkipDigits(s, end + 1);
    if (fraction_end > end + 1 || has_digits) {
      has_digits = has_digits || fraction_end > end + 1;
      end = fraction_end;
    }
  }
  if (!has_digits) return 0.0;
  if (end < s.size() && (s[end] == 'e' || s[end] == 'E')) {
    size_t exponent = end + 1;
    if (exponent < s.size() && (s[exponent] == '+' || s[exponent] == '-')) ++exponent;
    const size_t exponent_end = SkipDigits(s, exponent);
    if (exponent_end > exponent) end = exponent_end;  // "1e" alone is just 1
  }
  // The accepted part holds only ASCII digits, sign, point and exponent, which strtod
  // reads the same in the "C" locale the program runs in.
  const std::string number = s.substr(start, end - start);
  return std::strtod(number.c_str(), nullptr);
}

int32_t IntegerFromText(const Text& text) {
  const Text s = NormalizeNumberText(text);
  size_t at = 0;
  bool negative = false;
  if (at < s.size() && (s[at] == '+' || s[at] == '-')) negative = s[at++] == '-';
  uint32_t value = 0;  // unsigned, so overflow wraps modulo 2^32 as intended
  for (; at < s.size() && IsAsciiDigit(s[at]); ++at) value = value * 10u + static_cast<uint32_t>(s[at] - '0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

int32_t LowWordOfTruncation(double value) {
  // 2^63 exactly; every double below it in magnitude converts without overflow.
  constexpr double kLimit = 9223372036854775808.0;
  if (!(value > -kLimit && value < kLimit)) return 0;
  const int64_t whole = static_cast<int64_t>(value);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(whole)));
}

Text DecimalText(int64_t value) { return std::to_string(value); }
