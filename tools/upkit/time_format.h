#ifndef TOOLS_UPKIT_TIME_FORMAT_H_
#define TOOLS_UPKIT_TIME_FORMAT_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace quintarel::upkit {

// Seconds since 1970-01-01 00:00:00 UTC as ISO 8601 UTC text, such as
// "2024-05-01T12:00:00Z". Times before 1970 are formatted as well, without
// relying on the C library (whose gmtime refuses them on Windows).
std::string FormatUtcTime(std::int64_t seconds);

// An archive time for display: "-" for 0, which the format uses for
// "unknown"; FormatUtcTime otherwise.
std::string FormatArchiveTime(std::int64_t seconds);

// Reads a time given as decimal seconds since 1970 UTC ("-" allowed, no
// spaces, no "+") that fits the archive's signed 32-bit time fields. False,
// with *seconds untouched, for anything else.
bool ParseArchiveTime(std::string_view text, std::int32_t* seconds);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_TIME_FORMAT_H_
