#ifndef PLATFORM_SECURITY_WIN_H_
#define PLATFORM_SECURITY_WIN_H_

#include <windows.h>
#include <aclapi.h>

#include <cstdint>

namespace quintarel {

// The bytes an access list needs to hold what existing (may be null) holds,
// one allow entry for each of sids and each of entries as they are. 0 when
// an identifier is not valid or existing cannot be read.
std::uint32_t RequiredAclSize(PACL existing, const PSID* sids, std::uint32_t sid_count,
                              const ACE_HEADER* const* entries, std::uint32_t entry_count);

// Adds one entry for trustee (of the given form) to the discretionary list of
// the named object, keeping the entries it has. The system's error code, 0
// on success; ERROR_INVALID_PARAMETER for a null name.
std::uint32_t GrantNamedObjectAccess(const wchar_t* name, SE_OBJECT_TYPE type, void* trustee,
                                     TRUSTEE_FORM form, std::uint32_t permissions,
                                     ACCESS_MODE mode, std::uint32_t inheritance);

}  // namespace quintarel

#endif  // PLATFORM_SECURITY_WIN_H_
