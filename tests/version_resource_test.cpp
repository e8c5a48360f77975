// The arithmetic of file versions: the "a.b" text and the comparison number.
#include "platform/version_resource.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace quintarel {
namespace {

struct VersionCase {
  std::uint16_t a, b, c, d;
  const char* text;
  std::int32_t number;
};

constexpr std::uint32_t High(std::uint16_t high, std::uint16_t low) {
  return static_cast<std::uint32_t>(high) << 16 | low;
}

TEST(FileVersionArithmeticTest, TextAndNumber) {
  const VersionCase cases[] = {
      {3, 5, 0, 12, "3.5", 350},
      {1, 10, 0, 0, "1.10", 200},  // no carrying: the same as 2.0
      {2, 0, 0, 0, "2.0", 200},
      {2, 0, 0, 5, "2.0", 200},  // the fourth component is ignored
      {2, 0, 0, 9, "2.0", 200},
      {1, 2, 3, 4, "1.2", 123},
      {0, 0, 0, 0, "0.0", 0},
      {65535, 65535, 65535, 65535, "65535.65535", 65535 * 111},  // unsigned throughout
  };
  for (const VersionCase& v : cases) {
    SCOPED_TRACE(v.text);
    EXPECT_EQ(FormatVersionText(High(v.a, v.b)), v.text);
    EXPECT_EQ(ComputeVersionNumber(High(v.a, v.b), High(v.c, v.d)), v.number);
  }
}

}  // namespace
}  // namespace quintarel
