#include "updater/upgrade/environment_library_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace quintarel {
namespace {

TEST(LibraryPathBeside, ReplacesTheNameAfterTheLastSeparator) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\App\\updater.exe", "C:\\App\\Kestrune.dll"},
      {"\\\\server\\share\\updater.exe", "\\\\server\\share\\Kestrune.dll"},
      {"C:\\updater.exe", "C:\\Kestrune.dll"},
      // No name after the last "\": the system's search order decides, not
      // a folder above or below.
      {"C:\\App\\Sub\\", "Kestrune.dll"},
      {"C:\\App\\\\", "Kestrune.dll"},
      {"\\", "Kestrune.dll"},
      {"updater.exe", "Kestrune.dll"},
      {"", "Kestrune.dll"},
  };
  for (const auto& [own_path, library] : cases) {
    EXPECT_EQ(LibraryPathBeside(own_path), library) << own_path;
  }
}

}  // namespace
}  // namespace quintarel
