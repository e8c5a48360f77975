#ifndef PLATFORM_SYSTEM_PROFILE_H_
#define PLATFORM_SYSTEM_PROFILE_H_

namespace quintarel {

// Country code of Japan: the script's Japanese sections apply.
inline constexpr int kJapanCountryCode = 81;

// The user's regional settings as the system profile records them.
class SystemProfile {
 public:
  virtual ~SystemProfile() = default;

  // "iCountry" of the profile section "intl"; 0 when it is not set.
  virtual int CountryCode() = 0;
};

// The system's own profile (Windows builds only).
SystemProfile& OperatingSystemProfile();

}  // namespace quintarel

#endif  // PLATFORM_SYSTEM_PROFILE_H_
