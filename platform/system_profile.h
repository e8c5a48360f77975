#ifndef PLATFORM_SYSTEM_PROFILE_H_
#define PLATFORM_SYSTEM_PROFILE_H_

#include <cstdint>

namespace quintarel {

// Country code of Japan: the script's Japanese sections apply.
inline constexpr int kJapanCountryCode = 81;

// The system's platform and version, as the system reports them.
struct WindowsVersion {
  std::uint32_t platform_id = 0;  // 1: the older consumer line, 2: the NT line
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
};

// The NT line from version 5 on.
inline bool IsWindows2000OrLater(const WindowsVersion& version) {
  return version.platform_id == 2 && version.major >= 5;
}

// The user's regional settings and the system's version.
class SystemProfile {
 public:
  virtual ~SystemProfile() = default;

  // "iCountry" of the profile section "intl"; 0 when it is not set.
  virtual int CountryCode() = 0;
  // Nothing reads as version 0 of no platform.
  virtual WindowsVersion Version() = 0;
};

// The system's own profile (Windows builds only).
SystemProfile& OperatingSystemProfile();

}  // namespace quintarel

#endif  // PLATFORM_SYSTEM_PROFILE_H_
