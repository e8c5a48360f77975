#include "platform/version_resource.h"

namespace quintarel {

std::string FormatVersionText(std::uint32_t file_version_ms) {
  return std::to_string(file_version_ms >> 16) + "." + std::to_string(file_version_ms & 0xFFFF);
}

std::int32_t ComputeVersionNumber(std::uint32_t file_version_ms, std::uint32_t file_version_ls) {
  const auto a = static_cast<std::int32_t>(file_version_ms >> 16);
  const auto b = static_cast<std::int32_t>(file_version_ms & 0xFFFF);
  const auto c = static_cast<std::int32_t>(file_version_ls >> 16);
  return a * 100 + b * 10 + c;
}

}  // namespace quintarel
