#include "updater/upgrade/version_check.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "package/text.h"

namespace quintarel {

std::int32_t VersionThreshold(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && IsCWhitespace(text[start])) ++start;
  // from_chars reads the C locale's form and takes no "+" of its own.
  if (start < text.size() && text[start] == '+') ++start;
  double value = 0.0;
  const std::from_chars_result result =
      std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (result.ec == std::errc::invalid_argument || std::isnan(value)) return 0;

  const double scaled = value * 100.0 + 0.5;
  constexpr auto kLowest = std::numeric_limits<std::int32_t>::min();
  constexpr auto kHighest = std::numeric_limits<std::int32_t>::max();
  if (result.ec == std::errc::result_out_of_range || scaled >= static_cast<double>(kHighest)) {
    return value < 0 ? kLowest : kHighest;
  }
  if (scaled <= static_cast<double>(kLowest)) return kLowest;
  return static_cast<std::int32_t>(scaled);
}

}  // namespace quintarel
