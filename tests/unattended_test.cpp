#include "updater/unattended/unattended_upgrade.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "package/archive_digests.h"
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
using Args = std::vector<std::string>;

// The accepted forms (letter case, quotes, the archive before a switch) are
// those of the runs below, which end otherwise when one is misread.
TEST(UnattendedOptionsTest, UsageErrors) {
  const std::pair<Args, std::string> cases[] = {
      {{"/quiet", "/log=a", "/log=b"}, "/log given twice"},
      {{"/quiet", "/force", "/force"}, "/force given twice"},
      {{"/quiet", "/force=yes"}, "/force takes no value"},
      {{"/quiet", "/dir"}, "/dir needs a value after '='"},
      {{"/quiet", "/log="}, "/log needs a value after '='"},
      {{"/quiet", "/silent"}, "unknown switch /silent"},
      {{"/quiet", "a.dat", "b.dat"}, "more than one archive: b.dat"},
  };
  for (const auto& [args, error] : cases) {
    UnattendedOptions options;
    EXPECT_EQ(ParseUnattendedOptions(args, &options), error);
  }
  UnattendedOptions options;
  ASSERT_EQ(ParseUnattendedOptions({"/quiet", "/Log=\"C:\\My Log\""}, &options), "");
  EXPECT_EQ(options.log, "C:\\My Log");
  // The wizard's and the builder's command lines keep their meaning.
  EXPECT_TRUE(IsUnattended({"/QUIET"}));
  for (const Args& other : {Args{}, Args{"C:\\src\\update.inf"}, Args{"/quietly"}, Args{"u.dat", "/quiet"}}) {
    EXPECT_FALSE(IsUnattended(other)) << ::testing::PrintToString(other);
  }
}

// An installed app.exe 1.55 found through App Paths. Run packs beside the
// updater a sealed archive that upgrades it, its copy list ending in
// copy_lines, unless Pack did so before.
struct World {
  World() {
    files_.AddFolder("C:\\App");
    files_.AddFolder("C:\\dl");
    files_.AddFile("C:\\App\\app.exe", "installed");
    files_.AddFile("C:\\src\\app.exe", "new");
    files_.AddFile("C:\\src\\guide.txt", "guide");
    registry_.SetValue("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\app.exe", "Path", "C:\\App");
    versions_.Set("C:\\App\\app.exe", 155);
    environment_.program_path = "C:\\dl\\updater.exe";
    strings_.texts[IDS_VERSION_TOO_OLD] = "117\r\n%s";  // the log has it on one line
  }

  void Pack() {
    packed_ = true;
    files_.AddFile("C:\\src\\update.inf",
                   "[Quintarel Corporation UpdateInfo]\r\nformat=0\r\n[hint]\r\nexe,app.exe\r\n[version check]\r\n"
                   "app.exe/1.50-1.61\r\n[copyfiles]\r\napp.exe=app.exe\r\nhelp\\guide.txt=guide.txt\r\n" + copy_lines);
    UpdateArchive archive(files_);
    std::vector<Sha256Digest> digests;
    for (const std::string name : {"update.inf", "app.exe", "guide.txt"}) {
      EXPECT_TRUE(archive.AddFile(name, "C:\\src\\" + name, nullptr));
      digests.push_back(*DigestOfEntry(archive, archive.GetCount() - 1));
    }
    if (seal_broken) digests[1][0] ^= 1;  // as if app.exe changed after the seal
    SealArchive(archive, digests);
    EXPECT_TRUE(archive.Save("C:\\dl\\update.dat"));
  }

  UnattendedResult Run(const Args& args) {
    if (!packed_) Pack();
    UnattendedOptions options;
    EXPECT_EQ(ParseUnattendedOptions(args, &options), "");
    return RunUnattended({{files_, registry_, shell_, versions_, strings_, profile_, folders_, links_, library_},
                          environment_},
                         options, [this](const std::string& line) { log.push_back(line); });
  }

  testing::MemoryFileSystem files_;
  testing::MemoryRegistry registry_;
  testing::FakeShell shell_;
  testing::FakeFileVersions versions_;
  testing::FakeStringTable strings_;
  testing::FakeSystemProfile profile_;
  testing::FakeShellFolders folders_;
  testing::FakeShellLinks links_{files_};
  testing::FakeLibraryLoader library_;
  testing::FakeEnvironment environment_{files_};
  std::string copy_lines;
  bool seal_broken = false;
  bool packed_ = false;
  std::vector<std::string> log;
};

TEST(UnattendedTest, EachEndHasItsExitCodeAndItsLog) {
  using enum UnattendedResult;
  const auto none = [](World&) {};
  const auto no_hints = [](World& w) { w.registry_ = testing::MemoryRegistry(); };
  const auto version = [](int number) { return [number](World& w) { w.versions_.Set("C:\\App\\app.exe", number); }; };
  const struct {
    std::function<void(World&)> arrange;
    Args args;
    UnattendedResult result;
    ::testing::Matcher<std::vector<std::string>> log;
  } cases[] = {
      {none, {"/quiet"}, kUpgraded,
       ElementsAre("archive: C:\\dl\\update.dat", "program folder: C:\\App\\ (found by the script's hints)",
                   "installed version of app.exe: 155, range 1.50 to 1.61", "written: app.exe from app.exe",
                   "written: help\\guide.txt from guide.txt", "environment library: DoIt returned TRUE", "#122")},
      {[](World& w) { w.copy_lines = "..\\out.txt=app.exe\r\n"; }, {"/quiet"}, kNotWritten,
       Contains("copy line 3 (..\\out.txt=app.exe) would write outside the installation; every file was put back")},
      {none, {"/quiet", "D:\\elsewhere.dat"}, kBadArchive, ElementsAre("archive: D:\\elsewhere.dat", "#114")},
      {[](World& w) { w.seal_broken = true; }, {"/quiet"}, kBadArchive,
       ElementsAre("archive: C:\\dl\\update.dat",
                   "entry 1 (app.exe) differs from the bytes sealed in the archive (SHA-256)", "#114")},
      {no_hints, {"/quiet"}, kNotFound,
       Contains("the installed program was not found by the script's hints; give its folder with /dir")},
      {none, {"/quiet", "/dir=C:\\dl"}, kNotFound,
       Contains("program folder C:\\dl\\ (from /dir) does not hold the program")},
      {no_hints, {"/QUIET", "C:\\dl\\update.dat", "/Dir=\"C:\\App\""}, kUpgraded,
       Contains("program folder: C:\\App\\ (from /dir)")},
      {version(140), {"/quiet"}, kTooOld, Contains("117 1.50")},
      {version(161), {"/quiet"}, kNewestInstalled, Contains("#104")},
      {version(161), {"/quiet", "/FORCE"}, kUpgraded, Contains("going on: /force")},
      {[](World& w) { w.environment_.mutexes.insert(UpdaterApp::kMutexName); }, {"/quiet"}, kAlreadyRunning,
       ElementsAre("another copy of the updater is running")},
      {[](World& w) {  // a first run killed while it wrote the files
         w.Pack();
         w.files_.stop_after_changes(6);
         w.Run({"/quiet"});
         w.files_.stop_after_changes(std::nullopt);
         w.environment_.mutexes.clear();
         w.log.clear();
       },
       {"/quiet"}, kUpgraded, Contains("an interrupted upgrade was taken back")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("case " + std::to_string(&c - cases));
    World world;
    c.arrange(world);
    EXPECT_EQ(world.Run(c.args), c.result);
    EXPECT_THAT(world.log, c.log);
    const bool upgraded = c.result == kUpgraded;
    const std::vector<std::uint8_t> program = *world.files_.Contents("C:\\App\\app.exe");
    EXPECT_EQ(std::string(program.begin(), program.end()), upgraded ? "new" : "installed");
    EXPECT_EQ(world.files_.Exists("C:\\App\\help"), upgraded);
    EXPECT_EQ(world.library_.calls, upgraded ? Args{"C:\\dl\\Kestrune.dll|C:\\App"} : Args{});
  }
}

}  // namespace
}  // namespace quintarel
