#include "tools/upkit/program_version.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "package/fixed_coding.h"
#include "platform/version_resource.h"

namespace quintarel::upkit {

namespace {

// The root block's header: wLength, wValueLength, wType, then the key and
// its padding to 32 bits; the fixed record follows.
constexpr std::size_t kValueLengthOffset = 2;
constexpr std::size_t kKeyOffset = 6;
constexpr std::size_t kFixedInfoOffset = 40;
constexpr std::string_view kRootKey = "VS_VERSION_INFO";
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::size_t kFixedInfoSize = 52;
constexpr std::size_t kFileVersionMsOffset = 8;
constexpr std::size_t kFileVersionLsOffset = 12;
constexpr std::int32_t kHundredths = 100;

bool HoldsRootKey(const std::uint8_t* key) {
  for (std::size_t i = 0; i <= kRootKey.size(); ++i) {
    const char expected = i < kRootKey.size() ? kRootKey[i] : '\0';
    if (DecodeFixed16(key + 2 * i) != static_cast<std::uint16_t>(expected)) return false;
  }
  return true;
}

}  // namespace

std::optional<std::int32_t> ScanVersionNumber(const std::vector<std::uint8_t>& bytes) {
  std::array<std::uint8_t, 4> signature;
  EncodeFixed32(signature.data(), kFixedInfoSignature);
  for (auto at = bytes.begin();
       (at = std::search(at, bytes.end(), signature.begin(), signature.end())) !=
       bytes.end();
       ++at) {
    const auto offset = static_cast<std::size_t>(at - bytes.begin());
    if (offset < kFixedInfoOffset || bytes.size() - offset < kFixedInfoSize) continue;
    const std::uint8_t* block = bytes.data() + offset - kFixedInfoOffset;
    const std::uint8_t* fixed = bytes.data() + offset;
    if (DecodeFixed16(block + kValueLengthOffset) != kFixedInfoSize ||
        !HoldsRootKey(block + kKeyOffset)) {
      continue;
    }
    return ComputeVersionNumber(DecodeFixed32(fixed + kFileVersionMsOffset),
                                DecodeFixed32(fixed + kFileVersionLsOffset));
  }
  return std::nullopt;
}

std::string VersionCheckText(std::int32_t number) {
  const std::string cents = std::to_string(number % kHundredths);
  return std::to_string(number / kHundredths) + "." + (cents.size() < 2 ? "0" : "") + cents;
}

}  // namespace quintarel::upkit
