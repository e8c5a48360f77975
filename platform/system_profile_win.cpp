#include <windows.h>

#include "platform/system_profile.h"

namespace quintarel {

namespace {

class Win32SystemProfile final : public SystemProfile {
 public:
  int CountryCode() override { return static_cast<int>(::GetProfileIntA("intl", "iCountry", 0)); }
};

}  // namespace

SystemProfile& OperatingSystemProfile() {
  static Win32SystemProfile profile;
  return profile;
}

}  // namespace quintarel
