// The upgrade's Win32 side against the real system (here: Wine): program
// files replaced and put back on real files, and the environment library
// bound at run time.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "package/file_system.h"
#include "package/update_archive.h"
#include "platform/scoped_handle_win.h"
#include "tests/support/scratch_folder.h"
#include "updater/upgrade/environment_call.h"
#include "updater/upgrade/program_file_writer.h"

namespace quintarel {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteText;

constexpr std::int64_t kStoredTime = 1'300'000'000;

// An archive with one entry and an installed program with a read-only file.
class ProgramFileWriterWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(files_.CreateFolder(scratch_.Path("src")));
    ASSERT_TRUE(files_.CreateFolder(scratch_.Path("App")));
    WriteText(scratch_.Native("src\\app.exe"), "new program");
    ASSERT_TRUE(files_.SetTimes(scratch_.Path("src\\app.exe"),
                                FileTimes{kStoredTime, kStoredTime, kStoredTime}));
    ASSERT_TRUE(archive_.AddFile("app.exe", scratch_.Path("src\\app.exe"), nullptr));
    WriteText(scratch_.Native("App\\app.exe"), "old program");
    ASSERT_TRUE(files_.SetTimes(installed_, FileTimes{0, 1'000'000'000, 1'000'000'000}));
    ASSERT_TRUE(::SetFileAttributesA(installed_.c_str(), FILE_ATTRIBUTE_READONLY));
  }

  std::vector<std::string> Listing() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.Native("App"))) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  std::string Contents() {
    const std::vector<std::uint8_t> bytes = ReadBytes(scratch_.Native("App\\app.exe"));
    return std::string(bytes.begin(), bytes.end());
  }

  std::int64_t WriteTime() {
    FileTimes times;
    EXPECT_TRUE(files_.GetTimes(installed_, &times));
    return times.last_write;
  }

  ScratchFolder scratch_;
  FileSystem& files_ = OperatingSystemFiles();
  UpdateArchive archive_{files_};
  const std::string installed_ = scratch_.Path("App\\app.exe");
};

TEST_F(ProgramFileWriterWinTest, AReadOnlyFileIsReplacedAndCanBePutBack) {
  {
    ProgramFileWriter writer(files_, archive_);
    ASSERT_TRUE(writer.Write(installed_, "APP.EXE"));
    ASSERT_TRUE(writer.Write(scratch_.Path("App\\sub\\copy.exe"), "app.exe"));
    EXPECT_EQ(WriteTime(), kStoredTime);
    EXPECT_EQ(Listing().size(), 3u);  // the new file, its backup, the new folder
    writer.Rollback();
  }
  EXPECT_THAT(Listing(), ::testing::ElementsAre("app.exe"));
  EXPECT_EQ(Contents(), "old program");
  EXPECT_EQ(WriteTime(), 1'000'000'000);
  EXPECT_EQ(::GetFileAttributesA(installed_.c_str()) & FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));

  ProgramFileWriter writer(files_, archive_);
  ASSERT_TRUE(writer.Write(installed_, "app.exe"));
  writer.Commit();
  EXPECT_THAT(Listing(), ::testing::ElementsAre("app.exe"));
  EXPECT_EQ(Contents(), "new program");
}

TEST_F(ProgramFileWriterWinTest, AFileHeldOpenIsLeftAloneWithNothingBeside) {
  ::SetFileAttributesA(installed_.c_str(), FILE_ATTRIBUTE_NORMAL);
  const ScopedFileHandle held(::CreateFileA(installed_.c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  ProgramFileWriter writer(files_, archive_);
  EXPECT_FALSE(writer.Write(installed_, "app.exe"));
  EXPECT_THAT(Listing(), ::testing::ElementsAre("app.exe"));
  EXPECT_EQ(WriteTime(), 1'000'000'000);
}

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
