#ifndef PLATFORM_FILE_VERSIONS_H_
#define PLATFORM_FILE_VERSIONS_H_

#include <cstdint>
#include <string>

namespace quintarel {

// The version resources of program files.
class FileVersions {
 public:
  virtual ~FileVersions() = default;

  // a * 100 + b * 10 + c of the file's version a.b.c.d; 0 when the file has
  // no readable version resource (a missing file included).
  virtual std::int32_t VersionNumber(const std::string& path) = 0;
  // True and text = "a.b"; false with text untouched.
  virtual bool VersionText(const std::string& path, std::string& text) = 0;
};

// Version resources read through the system (Windows builds only).
FileVersions& OperatingSystemFileVersions();

}  // namespace quintarel

#endif  // PLATFORM_FILE_VERSIONS_H_
