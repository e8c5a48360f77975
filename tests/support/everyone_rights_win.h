#ifndef TESTS_SUPPORT_EVERYONE_RIGHTS_WIN_H_
#define TESTS_SUPPORT_EVERYONE_RIGHTS_WIN_H_

#include <windows.h>
#include <aclapi.h>

#include <optional>
#include <string>

#include "package/name_form.h"
#include "platform/scoped_handle_win.h"

namespace quintarel::testing {

// The rights that the allow entries for Everyone in the list of path (spelt
// in UTF-8) give together, as the system reads the list back; nothing when
// it cannot be read.
inline std::optional<DWORD> EveryoneRights(const std::string& path) {
  const std::optional<std::u16string> units = Utf16FromUtf8(path);
  if (!units) return std::nullopt;
  const std::wstring wide(units->begin(), units->end());
  PACL list = nullptr;
  ScopedLocalBlock<PSECURITY_DESCRIPTOR> descriptor;
  if (::GetNamedSecurityInfoW(wide.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &list, nullptr, descriptor.put()) != ERROR_SUCCESS ||
      list == nullptr) {
    return std::nullopt;
  }
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  ScopedSid everyone;
  if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                  everyone.put())) {
    return std::nullopt;
  }
  DWORD rights = 0;
  for (DWORD index = 0; index < list->AceCount; ++index) {
    void* entry = nullptr;
    if (!::GetAce(list, index, &entry)) return std::nullopt;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    if (::EqualSid(const_cast<DWORD*>(&allowed->SidStart), everyone.get())) rights |= allowed->Mask;
  }
  return rights;
}

}  // namespace quintarel::testing

#endif  // TESTS_SUPPORT_EVERYONE_RIGHTS_WIN_H_
