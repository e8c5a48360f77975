// The Win32 security services under Wine, which does not store access lists
// as given: it keeps Unix mode bits and rebuilds the entries from them (see
// the notes on Wine). So these tests check what the calls return, the
// Everyone entry as it is read back, and the failure paths; the exact lists
// are the in-memory fakes' business.
#include "platform/security_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <stdexcept>
#include <vector>

#include "platform/scoped_handle_win.h"
#include "platform/security.h"
#include "tests/support/everyone_rights_win.h"
#include "tests/support/scratch_folder.h"

namespace quintarel {
namespace {

using testing::EveryoneRights;
using testing::ScratchFolder;
using testing::WriteText;

ScopedSid WellKnownSid(BYTE authority, BYTE count, DWORD first, DWORD second = 0) {
  SID_IDENTIFIER_AUTHORITY identifier = {{0, 0, 0, 0, 0, authority}};
  ScopedSid sid;
  ::AllocateAndInitializeSid(&identifier, count, first, second, 0, 0, 0, 0, 0, 0, sid.put());
  return sid;
}

ScopedSid Everyone() { return WellKnownSid(1, 1, SECURITY_WORLD_RID); }

struct AclSizeCase {
  const char* label;
  bool with_list;
  std::vector<PSID> sids;
  std::vector<WORD> entry_sizes;
  std::uint32_t expected;
};

TEST(RequiredAclSizeTest, AddsListHeaderIdentifiersAndGivenEntries) {
  const ScopedSid everyone = Everyone();
  const ScopedSid administrators =
      WellKnownSid(5, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS);
  ASSERT_TRUE(everyone && administrators);
  // An existing list with one entry for Everyone: 28 bytes in use.
  alignas(DWORD) BYTE existing[64] = {};
  const auto list = reinterpret_cast<PACL>(existing);
  ASSERT_TRUE(::InitializeAcl(list, sizeof existing, ACL_REVISION));
  ASSERT_TRUE(::AddAccessAllowedAce(list, ACL_REVISION, kFullAccess, everyone.get()));
  // Not an identifier at all: revision 0.
  alignas(DWORD) BYTE broken[12] = {};

  const AclSizeCase cases[] = {
      {"Everyone alone, as the library builds it", false, {everyone.get()}, {}, 28},
      {"an identifier with two sub-authorities", false, {administrators.get()}, {}, 32},
      {"two identifiers", false, {everyone.get(), administrators.get()}, {}, 52},
      {"nothing but the header", false, {}, {}, 8},
      {"an existing list counts what it uses", true, {everyone.get()}, {}, 28 + 20 + 8},
      {"given entries count their own size", false, {}, {20, 36}, 8 + 56},
      {"an invalid identifier", false, {everyone.get(), broken}, {}, 0},
  };
  for (const AclSizeCase& size_case : cases) {
    SCOPED_TRACE(size_case.label);
    std::vector<ACE_HEADER> headers(size_case.entry_sizes.size());
    std::vector<const ACE_HEADER*> entries;
    for (std::size_t i = 0; i < headers.size(); ++i) {
      headers[i].AceSize = size_case.entry_sizes[i];
      entries.push_back(&headers[i]);
    }
    EXPECT_EQ(RequiredAclSize(size_case.with_list ? list : nullptr, size_case.sids.data(),
                              static_cast<std::uint32_t>(size_case.sids.size()), entries.data(),
                              static_cast<std::uint32_t>(entries.size())),
              size_case.expected);
  }
}

class EveryoneAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    full_ = OperatingSystemSecurity().CreateEveryoneAccess(kFullAccess);
    read_ = OperatingSystemSecurity().CreateEveryoneAccess(kReadAndExecuteAccess);
    ASSERT_NE(full_, nullptr);
    ASSERT_NE(read_, nullptr);
  }

  ScratchFolder scratch_;
  std::unique_ptr<EveryoneAccess> full_;
  std::unique_ptr<EveryoneAccess> read_;
};

TEST_F(EveryoneAccessTest, GrantsAddEveryoneAndKeepTheOtherEntries) {
  EXPECT_EQ(full_->mask(), kFullAccess);
  EXPECT_EQ(read_->mask(), kReadAndExecuteAccess);
  WriteText(scratch_.Native("data.txt"), "d");
  WriteText(scratch_.Native("fonts.lib"), "f");
  ASSERT_TRUE(full_->CreateFolder(scratch_.Path("folder")));
  // Wine reads a fresh file back as readable by Everyone, not writable.
  ASSERT_EQ(EveryoneRights(scratch_.Path("data.txt")).value_or(0) & FILE_WRITE_DATA, 0u);

  EXPECT_TRUE(full_->Grant(scratch_.Path("data.txt")));
  EXPECT_NE(EveryoneRights(scratch_.Path("data.txt")).value_or(0) & FILE_WRITE_DATA, 0u);

  EXPECT_TRUE(read_->Grant(scratch_.Path("fonts.lib")));
  const DWORD read_rights = EveryoneRights(scratch_.Path("fonts.lib")).value_or(0);
  EXPECT_EQ(read_rights & kReadAndExecuteAccess, kReadAndExecuteAccess);

  EXPECT_TRUE(full_->Grant(scratch_.Path("folder")));
  EXPECT_FALSE(full_->CreateFolder(scratch_.Path("folder")));
  EXPECT_FALSE(full_->CreateFolder(scratch_.Path("absent\\new")));
  // Granting again changes nothing and still succeeds.
  EXPECT_TRUE(full_->Grant(scratch_.Path("data.txt")));
}

TEST_F(EveryoneAccessTest, GrantRefusesWhatItCannotNameWhole) {
  const std::string folder = scratch_.Path();
  ASSERT_LT(folder.size(), 200u);
  // The longest path the 260-byte buffer holds, and one byte more.
  const std::string longest = folder + "\\" + std::string(259 - folder.size() - 1, 'f');
  const std::string too_long = longest + "g";
  ASSERT_EQ(longest.size(), 259u);
  WriteText(scratch_.Native(longest.substr(folder.size() + 1)), "fits");
  EXPECT_TRUE(full_->Grant(longest));

  try {
    WriteText(scratch_.Native(too_long.substr(folder.size() + 1)), "too long");
  } catch (const std::runtime_error&) {
    // A system that takes no longer paths refuses it anyway.
  }
  EXPECT_FALSE(full_->Grant(too_long));
  EXPECT_FALSE(full_->Grant(too_long + std::string(100, 'h')));

  const std::string failing[] = {
      scratch_.Path("missing.txt"),
      scratch_.Path("missing\\deeper.txt"),
      longest + std::string("\0", 1) + "hidden",
  };
  for (const std::string& path : failing) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(full_->Grant(path));
  }
}

struct GrantCase {
  const char* label;
  const char* name;  // below the scratch folder; null passes no name at all
  std::vector<std::uint32_t> results;  // any of these
};

TEST(GrantNamedObjectAccessTest, ReturnsTheSystemsErrorCode) {
  ScratchFolder scratch;
  WriteText(scratch.Native("present.txt"), "p");
  const ScopedSid everyone = Everyone();
  const GrantCase cases[] = {
      {"an existing file", "present.txt", {ERROR_SUCCESS}},
      {"the folder itself", "", {ERROR_SUCCESS}},
      {"no name", nullptr, {ERROR_INVALID_PARAMETER}},
      {"a missing file", "missing.txt", {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND}},
      {"a missing folder", "missing\\x.txt", {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND}},
  };
  for (const GrantCase& grant : cases) {
    SCOPED_TRACE(grant.label);
    std::string path;
    if (grant.name != nullptr) path = *grant.name ? scratch.Path(grant.name) : scratch.Path();
    const std::wstring wide(path.begin(), path.end());
    const std::uint32_t result = GrantNamedObjectAccess(
        grant.name != nullptr ? wide.c_str() : nullptr, SE_FILE_OBJECT, everyone.get(),
        TRUSTEE_IS_SID, kFullAccess, GRANT_ACCESS, NO_INHERITANCE);
    EXPECT_THAT(grant.results, ::testing::Contains(result));
  }
  EXPECT_NE(EveryoneRights(scratch.Path("present.txt")).value_or(0) & FILE_WRITE_DATA, 0u);
}

}  // namespace
}  // namespace quintarel
