#include "package/version_threshold.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "package/text.h"

namespace quintarel {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether a decimal number that from_chars found out of range is too large
// rather than too small: atof gives ±HUGE_VAL for the one and about 0 for the
// other, and from_chars does not say which. The decimal exponent of the
// number's first significant digit decides.
bool IsTooLarge(std::string_view number) {
  constexpr long kFar = 100000;  // far beyond either end of the range
  long integer_digits = 0;       // from the first significant one
  long fraction_zeros = 0;       // before the first significant digit
  bool significant = false;
  bool point = false;
  std::size_t i = number.front() == '-' ? 1 : 0;
  for (; i < number.size() && (IsDigit(number[i]) || number[i] == '.'); ++i) {
    if (number[i] == '.') {
      point = true;
      continue;
    }
    significant = significant || number[i] != '0';
    if (!point && significant) ++integer_digits;
    if (point && !significant) ++fraction_zeros;
  }
  if (!significant) return false;
  long written = 0;
  if (i < number.size()) {  // "e" or "E", a sign, digits
    ++i;
    const bool negative = number[i] == '-';
    if (number[i] == '-' || number[i] == '+') ++i;
    for (; i < number.size(); ++i) written = std::min(kFar, written * 10 + (number[i] - '0'));
    if (negative) written = -written;
  }
  const long exponent = integer_digits > 0 ? integer_digits - 1 : -(fraction_zeros + 1);
  return exponent + written > 0;
}

}  // namespace

std::int32_t VersionThreshold(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && IsCWhitespace(text[start])) ++start;
  // from_chars reads the C locale's form and takes no "+" of its own.
  if (start < text.size() && text[start] == '+') ++start;
  double value = 0.0;
  const std::from_chars_result result =
      std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (result.ec == std::errc::invalid_argument || std::isnan(value)) return 0;
  if (result.ec == std::errc::result_out_of_range) {
    const std::string_view number(text.data() + start, result.ptr - (text.data() + start));
    if (!IsTooLarge(number)) return 0;
    value = number.front() == '-' ? -HUGE_VAL : HUGE_VAL;
  }

  const double scaled = value * 100.0 + 0.5;
  constexpr auto kLowest = std::numeric_limits<std::int32_t>::min();
  constexpr auto kHighest = std::numeric_limits<std::int32_t>::max();
  if (scaled >= static_cast<double>(kHighest)) return kHighest;
  if (scaled <= static_cast<double>(kLowest)) return kLowest;
  return static_cast<std::int32_t>(scaled);
}

}  // namespace quintarel
