// The system's FileVersions service against real version resources (the
// probe DLLs built with the tests).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/file_versions.h"

namespace quintarel {
namespace {

struct VersionCase {
  const char* path;
  std::int32_t number;
  const char* text;
};

constexpr char kUntouched[] = "untouched";

// Readable and unreadable files in turn through the one service object:
// nothing of an earlier read shows through a later one.
TEST(FileVersionsWinTest, ReadsEachFileOnItsOwn) {
  const VersionCase cases[] = {
      {VERSION_3_5_0_12_PATH, 350, "3.5"},
      {NO_TRANSLATION_PATH, 0, kUntouched},
      {VERSION_1_10_0_0_PATH, 200, "1.10"},
      {MISSING_FILE_PATH, 0, kUntouched},
      {VERSION_2_0_0_5_PATH, 200, "2.0"},
      {NO_VERSION_PATH, 0, kUntouched},
  };
  FileVersions& versions = OperatingSystemFileVersions();
  for (const VersionCase& file : cases) {
    SCOPED_TRACE(file.path);
    std::string text = kUntouched;
    EXPECT_EQ(versions.VersionNumber(file.path), file.number);
    EXPECT_EQ(versions.VersionText(file.path, text), file.number != 0);
    EXPECT_EQ(text, file.text);
  }
}

}  // namespace
}  // namespace quintarel
