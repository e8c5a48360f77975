#include "updater/unattended/unattended_upgrade.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "package/update_archive.h"
#include "resources/resource_ids.h"
#include "tests/support/fake_library_loader.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_process_environment.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_registry.h"
#include "updater/app/updater_app.h"

namespace quintarel {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::MemoryFileSystem;

TEST(UnattendedOptionsTest, SwitchesAndTheirUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    std::string error;  // a part of the usage error; "" when accepted
    UnattendedOptions expected;
  };
  const Case cases[] = {
      {{"/quiet"}, "", {}},
      {{"/QUIET", "/Log=C:\\u.log", "/dir=\"C:\\My App\"", "/FORCE", "D:\\u.dat"}, "",
       {"C:\\u.log", "C:\\My App", true, "D:\\u.dat"}},
      {{"/quiet", "u.dat", "/dir=C:\\App"}, "", {std::nullopt, "C:\\App", false, "u.dat"}},
      {{"/quiet", "/log=a", "/log=b"}, "/log given twice", {}},
      {{"/quiet", "/force", "/force"}, "/force given twice", {}},
      {{"/quiet", "/force=yes"}, "/force takes no value", {}},
      {{"/quiet", "/dir"}, "/dir needs a value", {}},
      {{"/quiet", "/log="}, "/log needs a value", {}},
      {{"/quiet", "/silent"}, "unknown switch /silent", {}},
      {{"/quiet", "a.dat", "b.dat"}, "more than one archive", {}},
  };
  for (const Case& c : cases) {
    const std::string label = ::testing::PrintToString(c.args);
    EXPECT_TRUE(IsUnattended(c.args)) << label;
    UnattendedOptions options;
    const std::string error = ParseUnattendedOptions(c.args, &options);
    if (!c.error.empty()) {
      EXPECT_THAT(error, HasSubstr(c.error)) << label;
      continue;
    }
    EXPECT_EQ(error, "") << label;
    EXPECT_EQ(options.log, c.expected.log) << label;
    EXPECT_EQ(options.folder, c.expected.folder) << label;
    EXPECT_EQ(options.force, c.expected.force) << label;
    EXPECT_EQ(options.archive, c.expected.archive) << label;
  }
  // The wizard's and the builder's command lines keep their meaning.
  for (const std::vector<std::string>& other :
       std::vector<std::vector<std::string>>{{}, {"C:\\src\\update.inf"}, {"/quietly"}, {"u.dat", "/quiet"}}) {
    EXPECT_FALSE(IsUnattended(other)) << ::testing::PrintToString(other);
  }
}

constexpr char kArchive[] = "C:\\dl\\update.dat";
constexpr char kScript[] =
    "[Quintarel Corporation UpdateInfo]\r\nformat=0\r\n"
    "[hint]\r\nexe,app.exe\r\n[version check]\r\napp.exe/1.50-1.61\r\n"
    "[copyfiles]\r\napp.exe=app.exe\r\nhelp\\guide.txt=guide.txt\r\n";

// An installed app.exe found through App Paths, and an archive that
// upgrades it, for one run.
struct World {
  World() {
    files_.AddFolder("C:\\dl");
    files_.AddFolder("C:\\App");
    files_.AddFile("C:\\App\\app.exe", "installed");
    registry_.SetValue("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\app.exe", "Path", "C:\\App");
    versions_.Set("C:\\App\\app.exe", 155);
    environment_.program_path = "C:\\dl\\updater.exe";
    strings_.texts[IDS_FILES_MISSING] = "114";
    strings_.texts[IDS_VERSION_TOO_OLD] = "117 %s";
    strings_.texts[IDS_NEWEST_INSTALLED] = "104";
    strings_.texts[IDS_WRITE_FAILED] = "124\r\nput back";
    strings_.texts[IDS_UPGRADE_DONE] = "122";
    MakeArchive(kScript, {{"app.exe", "new"}, {"guide.txt", "guide"}});
  }

  void MakeArchive(const std::string& script, const std::vector<std::pair<std::string, std::string>>& entries) {
    files_.AddFolder("C:\\src");
    files_.AddFile("C:\\src\\update.inf", script);
    UpdateArchive archive(files_);
    ASSERT_TRUE(archive.AddFile("update.inf", "C:\\src\\update.inf", nullptr));
    for (const auto& [name, content] : entries) {
      files_.AddFile("C:\\src\\" + name, content);
      ASSERT_TRUE(archive.AddFile(name, "C:\\src\\" + name, nullptr));
    }
    ASSERT_TRUE(archive.Save(kArchive));
  }

  UnattendedResult Run(std::vector<std::string> args = {"/quiet"}) {
    UnattendedOptions options;
    EXPECT_EQ(ParseUnattendedOptions(args, &options), "");
    log_.clear();
    const UnattendedServices services{files_,    registry_, shell_,   versions_, strings_,
                                      profile_,  folders_,  links_,   library_,  environment_};
    return RunUnattended(services, options, [this](const std::string& line) { log_.push_back(line); });
  }

  void ForgetAppPaths() { registry_ = testing::MemoryRegistry(); }

  MemoryFileSystem files_;
  testing::MemoryRegistry registry_;
  testing::FakeShell shell_;
  testing::FakeFileVersions versions_;
  testing::FakeStringTable strings_;
  testing::FakeSystemProfile profile_;
  testing::FakeShellFolders folders_;
  testing::FakeShellLinks links_{files_};
  testing::FakeLibraryLoader library_;
  testing::FakeEnvironment environment_{files_};
  std::vector<std::string> log_;
};

TEST(UnattendedTest, EachEndHasItsExitCode) {
  struct Case {
    const char* what;
    std::function<void(World&)> arrange;
    std::vector<std::string> args;
    UnattendedResult result;
    const char* logged;  // a line of the log
  };
  const auto version = [](std::int32_t number) {
    return [number](World& t) { t.versions_.Set("C:\\App\\app.exe", number); };
  };
  const auto none = [](World&) {};
  const Case cases[] = {
      {"upgraded", none, {"/quiet"}, UnattendedResult::kUpgraded, "122"},
      {"a line that cannot be written",
       [](World& t) {
         t.MakeArchive(std::string(kScript) + "gone.txt=missing.txt\r\n", {{"app.exe", "new"}, {"guide.txt", "g"}});
       },
       {"/quiet"}, UnattendedResult::kNotWritten, "124 put back"},
      {"a line outside the installation",
       [](World& t) {
         t.MakeArchive(std::string(kScript) + "..\\out.txt=app.exe\r\n", {{"app.exe", "new"}, {"guide.txt", "g"}});
       },
       {"/quiet"}, UnattendedResult::kNotWritten,
       "copy line 3 (..\\out.txt=app.exe) would write outside the installation; every file was put back"},
      {"no archive", none, {"/quiet", "D:\\elsewhere.dat"}, UnattendedResult::kBadArchive, "114"},
      {"not found by the hints",
       [](World& t) { t.ForgetAppPaths(); }, {"/quiet"},
       UnattendedResult::kNotFound, "the installed program was not found by the script's hints; give its folder with /dir"},
      {"/dir without the program", none, {"/quiet", "/dir=C:\\dl"}, UnattendedResult::kNotFound,
       "program folder C:\\dl\\ (from /dir) does not hold the program"},
      {"/dir", [](World& t) { t.ForgetAppPaths(); }, {"/quiet", "/dir=C:\\App"},
       UnattendedResult::kUpgraded, "122"},
      {"too old", version(140), {"/quiet"}, UnattendedResult::kTooOld, "117 1.50"},
      {"newest installed", version(161), {"/quiet"}, UnattendedResult::kNewestInstalled, "104"},
      {"newest installed, /force", version(161), {"/quiet", "/force"}, UnattendedResult::kUpgraded, "122"},
      {"another copy", [](World& t) { t.environment_.mutexes.insert(UpdaterApp::kMutexName); },
       {"/quiet"}, UnattendedResult::kAlreadyRunning, "another copy of the updater is running"},
  };
  for (const Case& c : cases) {
    World world;
    c.arrange(world);
    EXPECT_EQ(world.Run(c.args), c.result) << c.what;
    EXPECT_THAT(world.log_, Contains(c.logged)) << c.what;
    const bool upgraded = c.result == UnattendedResult::kUpgraded;
    const std::string program = upgraded ? "new" : "installed";
    EXPECT_EQ(world.files_.Contents("C:\\App\\app.exe"), std::vector<std::uint8_t>(program.begin(), program.end()))
        << c.what;
    EXPECT_EQ(world.files_.Exists("C:\\App\\help"), upgraded) << c.what;
  }
}

TEST(UnattendedTest, ASuccessLogsEveryStep) {
  World world;
  ASSERT_EQ(world.Run(), UnattendedResult::kUpgraded);
  EXPECT_THAT(world.log_, ElementsAre("archive: C:\\dl\\update.dat",
                                      "program folder: C:\\App\\ (found by the script's hints)",
                                      "installed version of app.exe: 155, range 1.50 to 1.61",
                                      "written: app.exe from app.exe", "written: help\\guide.txt from guide.txt",
                                      "environment library: DoIt returned TRUE", "122"));
  EXPECT_THAT(world.library_.calls, Contains("C:\\dl\\Kestrune.dll|C:\\App"));
}

}  // namespace
}  // namespace quintarel
