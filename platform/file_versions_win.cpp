#include "platform/file_versions.h"
#include "platform/version_resource.h"

namespace quintarel {

namespace {

// A fresh VersionResource per call: each read owns its block only while it is
// needed.
class Win32FileVersions final : public FileVersions {
 public:
  std::int32_t VersionNumber(const std::string& path) override {
    return VersionResource().VersionNumber(path);
  }

  bool VersionText(const std::string& path, std::string& text) override {
    return VersionResource().VersionText(path, text);
  }
};

}  // namespace

FileVersions& OperatingSystemFileVersions() {
  static Win32FileVersions versions;
  return versions;
}

}  // namespace quintarel
