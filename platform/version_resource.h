#ifndef PLATFORM_VERSION_RESOURCE_H_
#define PLATFORM_VERSION_RESOURCE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quintarel {

// The two forms in which the system uses a file version a.b.c.d, given the
// fixed record's dwFileVersionMS (a.b) and dwFileVersionLS (c.d).

// "a.b", both printed unsigned: 3.5.0.12 gives "3.5".
std::string FormatVersionText(std::uint32_t file_version_ms);

// a * 100 + b * 10 + c, without carrying between components (1.10.0.0 gives
// 200, like 2.0.0.0); d is ignored.
std::int32_t ComputeVersionNumber(std::uint32_t file_version_ms, std::uint32_t file_version_ls);

// Reads the version resource of a program file (Windows builds only). One
// object per read is the usual use; it owns the resource block and replaces
// it on every Read.
class VersionResource {
 public:
  // True when the file has a version resource with a fixed record and a
  // \VarFileInfo\Translation table; a missing file counts as having none.
  bool Read(const std::string& path);

  // True and text = "a.b"; false with text untouched.
  bool VersionText(const std::string& path, std::string& text);

  // The version number, 0 when Read fails.
  std::int32_t VersionNumber(const std::string& path);

 private:
  // Size of VS_FIXEDFILEINFO, and where its file version fields sit in it.
  static constexpr std::size_t kFixedInfoSize = 52;
  static constexpr std::size_t kFileVersionMsOffset = 8;
  static constexpr std::size_t kFileVersionLsOffset = 12;

  std::uint32_t FileVersionMs() const;
  std::uint32_t FileVersionLs() const;

  std::vector<unsigned char> block_;
  std::array<unsigned char, kFixedInfoSize> fixed_info_{};
};

}  // namespace quintarel

#endif  // PLATFORM_VERSION_RESOURCE_H_
