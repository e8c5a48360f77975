// The environment library bound at run time, against the real system (here:
// Wine). Program files written and put back on real files are shown by the
// GUI scenarios of the whole upgrade.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "updater/upgrade/environment_library_loader.h"

namespace quintarel {
namespace {

TEST(EnvironmentLibraryLoaderWinTest, MissingLibraryOrExportGivesNothing) {
  EnvironmentLibraryLoader& loader = OperatingSystemLibraryLoader();
  EXPECT_EQ(loader.CallDoIt("C:\\no\\such\\Kestrune.dll", "C:\\Apps\\Tool"), std::nullopt);
  EXPECT_EQ(loader.CallDoIt("version.dll", "C:\\Apps\\Tool"), std::nullopt);
  // The real library refuses a drive's top and says so through its result.
  EXPECT_EQ(loader.CallDoIt(KESTRUNE_PATH, "C:\\"), std::optional<bool>(false));
  EXPECT_NE(::GetModuleHandleA(KESTRUNE_PATH), nullptr);  // still loaded
}

}  // namespace
}  // namespace quintarel
