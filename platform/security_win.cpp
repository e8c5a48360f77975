#include "platform/security_win.h"

#include <optional>

#include "platform/name_form_win.h"
#include "platform/scoped_handle_win.h"
#include "platform/security.h"

namespace quintarel {

namespace {

// The platform's path buffers hold 260 bytes with the terminating NUL.
constexpr std::size_t kPathBufferSize = MAX_PATH;
// An allow entry's header and mask; the identifier follows them.
constexpr std::uint32_t kAllowEntryFixedPart = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);

class Win32EveryoneAccess final : public EveryoneAccess {
 public:
  explicit Win32EveryoneAccess(NameForm form) : form_(form) {}

  // False when any of the identifier, the list or the descriptor cannot be
  // built; the owners release whatever was built by then.
  bool Init(std::uint32_t mask) {
    mask_ = mask;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                    sid_.put())) {
      return false;
    }
    const PSID sids[] = {sid_.get()};
    const std::uint32_t size = RequiredAclSize(nullptr, sids, 1, nullptr, 0);
    if (size == 0) return false;
    list_.reset(static_cast<PACL>(::HeapAlloc(::GetProcessHeap(), 0, size)));
    if (!list_) return false;
    if (!::InitializeAcl(list_.get(), size, ACL_REVISION)) return false;
    // Without the entry the list would deny everyone everything.
    if (!::AddAccessAllowedAce(list_.get(), ACL_REVISION, mask, sid_.get())) return false;
    // 20 bytes on the 32-bit build, where the descriptor holds 4-byte pointers.
    descriptor_.reset(::HeapAlloc(::GetProcessHeap(), 0, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!descriptor_) return false;
    if (!::InitializeSecurityDescriptor(descriptor_.get(), SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(descriptor_.get(), TRUE, list_.get(), FALSE)) {
      return false;
    }
    attributes_.nLength = sizeof attributes_;  // 12 on the 32-bit build
    attributes_.lpSecurityDescriptor = descriptor_.get();
    attributes_.bInheritHandle = FALSE;
    return true;
  }

  bool Grant(const std::string& path) override {
    // A path cut to fit would name another object.
    if (path.size() >= kPathBufferSize || path.find('\0') != std::string::npos) return false;
    const std::optional<std::wstring> wide = WideName(form_, path);
    return wide && GrantNamedObjectAccess(wide->c_str(), SE_FILE_OBJECT, sid_.get(), TRUSTEE_IS_SID,
                                          mask_, GRANT_ACCESS, NO_INHERITANCE) == ERROR_SUCCESS;
  }

  bool CreateFolder(const std::string& path) override {
    const std::optional<std::wstring> wide = WideName(form_, path);
    return wide && ::CreateDirectoryW(wide->c_str(), &attributes_) != FALSE;
  }

  std::uint32_t mask() const override { return mask_; }

 private:
  NameForm form_;
  std::uint32_t mask_ = 0;
  ScopedSid sid_;
  ScopedHeapBlock<PACL> list_;
  ScopedHeapBlock<PSECURITY_DESCRIPTOR> descriptor_;
  SECURITY_ATTRIBUTES attributes_ = {};
};

class Win32Security final : public Security {
 public:
  explicit Win32Security(NameForm form) : form_(form) {}

  std::unique_ptr<EveryoneAccess> CreateEveryoneAccess(std::uint32_t mask) override {
    auto access = std::make_unique<Win32EveryoneAccess>(form_);
    if (!access->Init(mask)) return nullptr;
    return access;
  }

 private:
  NameForm form_;
};

}  // namespace

std::uint32_t RequiredAclSize(PACL existing, const PSID* sids, std::uint32_t sid_count,
                              const ACE_HEADER* const* entries, std::uint32_t entry_count) {
  std::uint32_t size = 0;
  if (existing != nullptr) {
    ACL_SIZE_INFORMATION information = {};
    if (!::GetAclInformation(existing, &information, sizeof information, AclSizeInformation)) {
      return 0;
    }
    size = information.AclBytesInUse;
  }
  for (std::uint32_t index = sid_count; index-- > 0;) {
    if (!::IsValidSid(sids[index])) return 0;
    size += ::GetLengthSid(sids[index]) + kAllowEntryFixedPart;
  }
  for (std::uint32_t index = 0; index < entry_count; ++index) size += entries[index]->AceSize;
  return size + sizeof(ACL);
}

std::uint32_t GrantNamedObjectAccess(const wchar_t* name, SE_OBJECT_TYPE type, void* trustee,
                                     TRUSTEE_FORM form, std::uint32_t permissions,
                                     ACCESS_MODE mode, std::uint32_t inheritance) {
  if (name == nullptr) return ERROR_INVALID_PARAMETER;
  // The old list lives inside the descriptor; only the descriptor is freed.
  PACL existing = nullptr;
  ScopedLocalBlock<PSECURITY_DESCRIPTOR> descriptor;
  const DWORD read = ::GetNamedSecurityInfoW(name, type, DACL_SECURITY_INFORMATION, nullptr,
                                             nullptr, &existing, nullptr, descriptor.put());
  if (read != ERROR_SUCCESS) return read;

  EXPLICIT_ACCESS_W access = {};
  access.grfAccessPermissions = permissions;
  access.grfAccessMode = mode;
  access.grfInheritance = inheritance;
  access.Trustee.pMultipleTrustee = nullptr;
  access.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
  access.Trustee.TrusteeForm = form;
  access.Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
  access.Trustee.ptstrName = static_cast<LPWSTR>(trustee);
  ScopedLocalBlock<PACL> merged;
  const DWORD merge = ::SetEntriesInAclW(1, &access, existing, merged.put());
  if (merge != ERROR_SUCCESS) return merge;
  return ::SetNamedSecurityInfoW(const_cast<wchar_t*>(name), type, DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, merged.get(), nullptr);
}

Security& OperatingSystemSecurity(NameForm form) {
  static Win32Security code_page_security(NameForm::kCodePage);
  static Win32Security exact_security(NameForm::kUtf8);
  return form == NameForm::kUtf8 ? exact_security : code_page_security;
}

}  // namespace quintarel
