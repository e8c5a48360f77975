#ifndef PLATFORM_SECURITY_H_
#define PLATFORM_SECURITY_H_

#include <cstdint>
#include <memory>
#include <string>

#include "package/name_form.h"

namespace quintarel {

// Access masks granted to Everyone.
inline constexpr std::uint32_t kFullAccess = 0x1FFFFF;            // all standard and specific rights
inline constexpr std::uint32_t kReadAndExecuteAccess = 0x1200A9;  // file read and execute

// Everything needed to grant one access mask to Everyone (S-1-1-0): the
// identifier, a list with one allow entry and a descriptor holding it.
// Destroying the object releases them.
class EveryoneAccess {
 public:
  virtual ~EveryoneAccess() = default;

  // Adds an allow entry with the mask for Everyone to the existing list of
  // the file or folder at path, for that object alone. False when the path
  // does not fit the platform's 260-byte buffer or the change fails.
  virtual bool Grant(const std::string& path) = 0;
  // Creates one folder whose list is this object's: Everyone, the mask.
  virtual bool CreateFolder(const std::string& path) = 0;
  virtual std::uint32_t mask() const = 0;
};

// The system's security services.
class Security {
 public:
  virtual ~Security() = default;

  // Builds the objects for mask; null when any of them cannot be built.
  virtual std::unique_ptr<EveryoneAccess> CreateEveryoneAccess(std::uint32_t mask) = 0;
};

// The system's security, with paths spelt in form (Windows builds only).
Security& OperatingSystemSecurity(NameForm form = NameForm::kCodePage);

}  // namespace quintarel

#endif  // PLATFORM_SECURITY_H_
