#include "package/version_threshold.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace quintarel {
namespace {

TEST(VersionThreshold, ReadsTheLeadingDecimalNumber) {
  constexpr std::int32_t kHighest = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();
  struct Case {
    std::string text;
    std::int32_t threshold;
  };
  const Case cases[] = {
      {"1.15", 115},  // 114.999... before the added half
      {"1.2", 120},   {"2", 200},       {"2.00", 200},     {"1.61", 161},
      {" \t1.5", 150}, {"+1.5", 150},   {"1.2abc", 120},   {"1.10.0", 110},
      {"abc", 0},      {"", 0},         {".5", 50},        {"0", 0},
      {"-1", -99},     {"1e1", 1000},   {"1,5", 100},
      {"1e300", kHighest},  {"-1e300", kLowest},
      // Beyond a double: atof's ±HUGE_VAL or about 0, then clamped.
      {"1e400", kHighest},  {"-1e400", kLowest},  {"inf", kHighest},  {"-infinity", kLowest},
      {"1e-400", 0},        {"-1e-400", 0},
      // The digits count as much as the exponent.
      {"1" + std::string(420, '0') + "e-10", kHighest},
      {"0." + std::string(420, '0') + "1e10", 0},
      {"0.001e312", kHighest},
      {"nan", 0},           {"-nan(1)", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(VersionThreshold(c.text), c.threshold) << c.text;
}

}  // namespace
}  // namespace quintarel
