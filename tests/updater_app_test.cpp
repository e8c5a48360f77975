#include "updater/app/updater_app.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "package/update_archive.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_process_environment.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/memory_file_system.h"
#include "updater/ui/progress_text.h"

namespace quintarel {
namespace {

using ::testing::ElementsAre;
using testing::FakeStringTable;
using testing::FakeUserInterface;
using testing::FakeEnvironment;
using testing::MemoryFileSystem;

constexpr char kScript[] =
    "[Quintarel Corporation UpdateInfo]\r\nformat=0\r\n[filelist]\r\napp.exe\r\ndocs\\guide.txt\r\n";

struct FakeWizard final : Wizard {
  void Run(const std::string& archive_path) override { runs.push_back(archive_path); }
  std::vector<std::string> runs;
};

class UpdaterAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.AddFolder("C:\\build");
    files_.AddFolder("C:\\build\\docs");
    files_.AddFolder("C:\\out");
    files_.AddFile("C:\\build\\update.inf", kScript);
    files_.AddFile("C:\\build\\app.exe", std::string(3000, 'x'));
    files_.AddFile("C:\\build\\docs\\guide.txt", "guide");
    environment_.matches["update.inf"] = "C:\\build\\update.inf";
    environment_.matches["C:\\build\\*.inf"] = "C:\\build\\update.inf";
    // Browsing in the save dialog leaves the current folder where the user went.
    ui_.on_save_dialog = [this] { environment_.SetCurrentFolder("C:\\out"); };
  }

  void Start(std::vector<std::string> arguments) { app_.Startup(arguments); }

  MemoryFileSystem files_;
  FakeEnvironment environment_{files_};
  FakeStringTable strings_;
  FakeUserInterface ui_;
  ArchiveBuilder builder_{files_, environment_, ui_};
  FakeWizard wizard_;
  UpdaterApp app_{environment_, strings_, ui_, builder_, wizard_};
};

TEST_F(UpdaterAppTest, ASecondCopyEndsAtOnce) {
  environment_.mutexes.insert("Quintarel Updater");
  Start({"update.inf"});
  EXPECT_TRUE(wizard_.runs.empty());
  EXPECT_TRUE(ui_.log.empty());
}

TEST_F(UpdaterAppTest, WithoutAPathTheArchiveIsBesideTheProgram) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{{}, {"-x", "/quiet"}}) {
    wizard_.runs.clear();
    environment_.mutexes.clear();
    Start(arguments);
    EXPECT_THAT(wizard_.runs, ElementsAre("C:\\Program Files\\Example\\update.dat"));
    EXPECT_EQ(ui_.title(), "Updater");
  }
  EXPECT_EQ(DefaultArchivePath("updater.exe"), "\\update.dat");
  EXPECT_EQ(DefaultArchivePath("C:\\updater.exe"), "C:\\update.dat");
}

TEST_F(UpdaterAppTest, TheFirstNonSwitchArgumentIsThePath) {
  EXPECT_EQ(FindPathArgument({"-a", "/b", "first", "second"}), "first");
  EXPECT_EQ(FindPathArgument({"-a"}), std::nullopt);
  EXPECT_EQ(FindPathArgument({}), std::nullopt);
}

TEST_F(UpdaterAppTest, AScriptArgumentBuildsAnArchiveInsteadOfTheWizard) {
  Start({"-v", "update.inf"});
  EXPECT_TRUE(wizard_.runs.empty());
  EXPECT_THAT(ui_.log, ElementsAre("ask Create update-archive from update.inf",
                                   "save as update.dat", "progress", "range 0..100",
                                   "file app.exe", "range 0..100", "file docs\\guide.txt"));
  EXPECT_EQ(environment_.current_folder, "C:\\build");
  UpdateArchive archive(files_);
  ASSERT_TRUE(archive.Open("C:\\out\\update.dat"));
  ASSERT_EQ(archive.GetCount(), 3);
  EXPECT_EQ(archive.entry(0).name(), "update.inf");
  EXPECT_EQ(archive.entry(2).name(), "docs\\guide.txt");
}

TEST_F(UpdaterAppTest, DecliningTheBuildOpensTheMatchInTheWizard) {
  ui_.answer_yes = false;
  Start({"C:\\build\\*.inf"});
  EXPECT_THAT(wizard_.runs, ElementsAre("C:\\build\\update.inf"));
  EXPECT_FALSE(files_.Exists("C:\\out\\update.dat"));
}

TEST_F(UpdaterAppTest, AnArgumentThatMatchesNothingGoesToTheWizardAsTyped) {
  Start({"missing*.dat"});
  EXPECT_THAT(wizard_.runs, ElementsAre("missing*.dat"));
  EXPECT_TRUE(ui_.log.empty());
}

TEST_F(UpdaterAppTest, ANonScriptIsNotOfferedForBuilding) {
  files_.AddFile("C:\\build\\update.dat", "not a script");
  environment_.matches["C:\\build\\update.dat"] = "C:\\build\\update.dat";
  Start({"C:\\build\\update.dat"});
  EXPECT_TRUE(ui_.log.empty());
  EXPECT_THAT(wizard_.runs, ElementsAre("C:\\build\\update.dat"));
}

TEST_F(UpdaterAppTest, CancellingTheSaveDialogEndsWithoutWriting) {
  ui_.save_path.reset();
  Start({"update.inf"});
  EXPECT_TRUE(wizard_.runs.empty());
  EXPECT_FALSE(files_.Exists("C:\\out\\update.dat"));
}

TEST_F(UpdaterAppTest, AMissingListedFileStopsTheBuildWithItsMessage) {
  files_.RemoveFile("C:\\build\\docs\\guide.txt");
  files_.AddFile("C:\\out\\update.dat", "previous");
  Start({"update.inf"});
  // Packing reports its errors as they happen, under its wait cursor.
  EXPECT_EQ(ui_.log.back(), "warn docs\\guide.txt was not found. (busy)");
  EXPECT_THAT(wizard_.runs, ElementsAre("C:\\build\\update.inf"));
  EXPECT_EQ(files_.Contents("C:\\out\\update.dat"),
            std::vector<std::uint8_t>({'p', 'r', 'e', 'v', 'i', 'o', 'u', 's'}));
}

TEST_F(UpdaterAppTest, CancelDuringTheBuildLeavesTheTargetAlone) {
  files_.AddFile("C:\\out\\update.dat", "previous");
  ui_.cancel_after = 0;
  Start({"update.inf"});
  EXPECT_THAT(wizard_.runs, ElementsAre("C:\\build\\update.inf"));
  EXPECT_EQ(files_.Contents("C:\\out\\update.dat")->size(), 8u);
}

TEST(ProgressPercentTextTest, FollowsThePercentRule) {
  struct Case {
    int position, minimum, maximum;
    const char* text;
  };
  const Case cases[] = {
      {0, 0, 100, "0%"},   {42, 0, 100, "42%"}, {100, 0, 100, "100%"},
      {250, 0, 200, "25%"}, {99, 0, 100, "99%"}, {5, 5, 5, "0%"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressPercentText(c.position, c.minimum, c.maximum), c.text)
        << c.position << " in " << c.minimum << ".." << c.maximum;
  }
}

}  // namespace
}  // namespace quintarel
