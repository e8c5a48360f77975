#ifndef PACKAGE_VERSION_THRESHOLD_H_
#define PACKAGE_VERSION_THRESHOLD_H_

#include <cstdint>
#include <string_view>

namespace quintarel {

// The version number a version text stands for: its leading decimal
// number (whitespace skipped, "." as the point whatever the locale, 0 when
// there is none) times 100, rounded by adding 0.5 and truncating. "1.15"
// gives 115, "2" 200, "abc" 0. The number is read as atof reads it: one too
// small for a double is about 0, one too large is infinite. Values beyond
// the 32-bit range are clamped; "nan" gives 0.
std::int32_t VersionThreshold(std::string_view text);

}  // namespace quintarel

#endif  // PACKAGE_VERSION_THRESHOLD_H_
