#include "updater/upgrade/version_check.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace quintarel {
namespace {

TEST(VersionThreshold, ReadsTheLeadingDecimalNumber) {
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
      {"1e300", std::numeric_limits<std::int32_t>::max()},
      {"-1e300", std::numeric_limits<std::int32_t>::min()},
  };
  for (const Case& c : cases) EXPECT_EQ(VersionThreshold(c.text), c.threshold) << c.text;
}

}  // namespace
}  // namespace quintarel
