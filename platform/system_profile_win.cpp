#include <windows.h>

#include "platform/system_profile.h"

namespace quintarel {

namespace {

class Win32SystemProfile final : public SystemProfile {
 public:
  int CountryCode() override { return static_cast<int>(::GetProfileIntA("intl", "iCountry", 0)); }

  WindowsVersion Version() override {
    // The plain record (148 bytes): the older systems refuse the extended one.
    OSVERSIONINFOA information = {};
    information.dwOSVersionInfoSize = sizeof information;
    if (!::GetVersionExA(&information)) return WindowsVersion{};
    return WindowsVersion{information.dwPlatformId, information.dwMajorVersion,
                          information.dwMinorVersion};
  }
};

}  // namespace

SystemProfile& OperatingSystemProfile() {
  static Win32SystemProfile profile;
  return profile;
}

}  // namespace quintarel
