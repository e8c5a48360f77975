#include <windows.h>

#include <algorithm>

#include "package/fixed_coding.h"
#include "platform/version_resource.h"

namespace quintarel {

bool VersionResource::Read(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return false;
  block_ = std::vector<unsigned char>(size);
  if (!::GetFileVersionInfoA(path.c_str(), 0, size, block_.data())) return false;

  void* root = nullptr;
  UINT root_size = 0;
  // A root record shorter than VS_FIXEDFILEINFO would make the copy below
  // read past the block.
  if (!::VerQueryValueA(block_.data(), "\\", &root, &root_size) || root_size < kFixedInfoSize) {
    return false;
  }
  // Only the table's presence matters: without it the resource counts as
  // unreadable.
  void* translation = nullptr;
  UINT translation_size = 0;
  if (!::VerQueryValueA(block_.data(), "\\VarFileInfo\\Translation", &translation,
                        &translation_size)) {
    return false;
  }
  const auto* record = static_cast<const unsigned char*>(root);
  std::copy(record, record + kFixedInfoSize, fixed_info_.begin());
  return true;
}

bool VersionResource::VersionText(const std::string& path, std::string& text) {
  if (!Read(path)) return false;
  text = FormatVersionText(FileVersionMs());
  return true;
}

std::int32_t VersionResource::VersionNumber(const std::string& path) {
  if (!Read(path)) return 0;
  return ComputeVersionNumber(FileVersionMs(), FileVersionLs());
}

std::uint32_t VersionResource::FileVersionMs() const {
  return DecodeFixed32(fixed_info_.data() + kFileVersionMsOffset);
}

std::uint32_t VersionResource::FileVersionLs() const {
  return DecodeFixed32(fixed_info_.data() + kFileVersionLsOffset);
}

}  // namespace quintarel
