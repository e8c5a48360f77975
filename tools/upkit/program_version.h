#ifndef TOOLS_UPKIT_PROGRAM_VERSION_H_
#define TOOLS_UPKIT_PROGRAM_VERSION_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quintarel::upkit {

// The version number (a * 100 + b * 10 + c, as the updater computes it) of
// the program file whose bytes are given, found by scanning them for the
// root block of a version resource: the key "VS_VERSION_INFO" in UTF-16
// followed by the fixed record with its signature. No Windows service is
// needed, so every system reads the same number. Nothing when the bytes
// hold no such block.
std::optional<std::int32_t> ScanVersionNumber(const std::vector<std::uint8_t>& bytes);

// number as a version text of the script, which the updater multiplies by
// 100 to compare: 161 gives "1.61", 200 gives "2.00".
std::string VersionCheckText(std::int32_t number);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_PROGRAM_VERSION_H_
