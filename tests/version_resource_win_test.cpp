// VersionResource against real version resources: small resource-only DLLs
// built with the tests (their paths come from the build).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/file_versions.h"
#include "platform/version_resource.h"

namespace quintarel {
namespace {

struct VersionFile {
  const char* path;
  bool readable;
  const char* text;
  std::int32_t number;
};

constexpr VersionFile kFiles[] = {
    {VERSION_3_5_0_12_PATH, true, "3.5", 350},  {VERSION_1_10_0_0_PATH, true, "1.10", 200},
    {VERSION_2_0_0_5_PATH, true, "2.0", 200},   {NO_TRANSLATION_PATH, false, nullptr, 0},
    {SHORT_FIXED_INFO_PATH, false, nullptr, 0}, {NO_VERSION_PATH, false, nullptr, 0},
    {MISSING_FILE_PATH, false, nullptr, 0},
};

constexpr char kUntouched[] = "untouched";

TEST(FileVersionWinTest, ReadsTextAndNumberOrLeavesTheTextAlone) {
  for (const VersionFile& file : kFiles) {
    SCOPED_TRACE(file.path);
    VersionResource version;
    std::string text = kUntouched;
    EXPECT_EQ(version.Read(file.path), file.readable);
    EXPECT_EQ(version.VersionText(file.path, text), file.readable);
    EXPECT_EQ(text, file.readable ? file.text : kUntouched);
    EXPECT_EQ(version.VersionNumber(file.path), file.number);
    // The service the version check uses gives the same answers.
    std::string service_text = kUntouched;
    EXPECT_EQ(OperatingSystemFileVersions().VersionNumber(file.path), file.number);
    EXPECT_EQ(OperatingSystemFileVersions().VersionText(file.path, service_text), file.readable);
    EXPECT_EQ(service_text, text);
  }
}

// One object read in turn for every file, readable and not, in both orders:
// nothing of an earlier read shows through a failed one.
TEST(FileVersionWinTest, OneObjectReadAgainAndAgain) {
  VersionResource version;
  for (int round = 0; round < 2; ++round) {
    for (const VersionFile& file : kFiles) {
      SCOPED_TRACE(file.path);
      std::string text = kUntouched;
      EXPECT_EQ(version.VersionNumber(file.path), file.number);
      EXPECT_EQ(version.VersionText(file.path, text), file.readable);
      EXPECT_EQ(text, file.readable ? file.text : kUntouched);
    }
  }
}

}  // namespace
}  // namespace quintarel
