#include "tools/upkit/time_format.h"

#include <cstdio>
#include <limits>

namespace quintarel::upkit {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Floor division, so times before 1970 land on the day before, not after.
std::int64_t FloorDivide(std::int64_t value, std::int64_t divisor) {
  const std::int64_t quotient = value / divisor;
  return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

struct CivilDate {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

// Proleptic Gregorian date of a day count from 1970-01-01, computed in
// 400-year eras that start on March 1 so the leap day falls last.
CivilDate CivilFromDays(std::int64_t days) {
  days += 719468;  // 0000-03-01 to 1970-01-01
  const std::int64_t era = FloorDivide(days, 146097);
  const auto day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned shifted_month = (5 * day_of_year + 2) / 153;  // 0 = March
  const unsigned day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
  const unsigned month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  const std::int64_t year = static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0);
  return {year, month, day};
}

}  // namespace

std::string FormatUtcTime(std::int64_t seconds) {
  const std::int64_t days = FloorDivide(seconds, kSecondsPerDay);
  const std::int64_t second_of_day = seconds - days * kSecondsPerDay;
  const CivilDate date = CivilFromDays(days);
  char text[48];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02dZ",
                static_cast<long long>(date.year), date.month, date.day,
                static_cast<int>(second_of_day / 3600), static_cast<int>(second_of_day / 60 % 60),
                static_cast<int>(second_of_day % 60));
  return text;
}

std::string FormatArchiveTime(std::int64_t seconds) {
  return seconds == 0 ? "-" : FormatUtcTime(seconds);
}

bool ParseArchiveTime(std::string_view text, std::int32_t* seconds) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty()) return false;
  // One more than the largest magnitude, so that INT32_MIN is accepted.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > kLimit) return false;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return false;
  *seconds = static_cast<std::int32_t>(value);
  return true;
}

}  // namespace quintarel::upkit
