#include "package/progress.h"

namespace quintarel {

std::int64_t PercentProgress::Percent(std::int64_t count, std::int64_t total) {
  if (total == 0) return -1;
  const std::int64_t scaled = count * 100;
  std::int64_t quotient = scaled / total;
  std::int64_t remainder = scaled % total;
  if (remainder < 0) remainder = -remainder;
  const std::int64_t divisor = total < 0 ? -total : total;
  if (2 * remainder >= divisor) quotient += ((scaled < 0) != (total < 0)) ? -1 : 1;
  return quotient;
}

bool PercentProgress::Report(std::int64_t count) {
  const std::int64_t percent = Percent(count, total_);
  return sink_ == nullptr || sink_(context_, percent);
}

bool PercentProgress::Forward(void* percent_progress, std::int64_t count) {
  return static_cast<PercentProgress*>(percent_progress)->Report(count);
}

}  // namespace quintarel
