#include "updater/wizard/wizard_context.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "package/archive_digests.h"
#include "package/file_writing.h"
#include "package/fixed_coding.h"
#include "package/path.h"
#include "package/update_archive.h"
#include "resources/resource_ids.h"
#include "tests/support/fake_library_loader.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_user_interface.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_registry.h"
#include "updater/upgrade/copy_destination.h"
#include "updater/upgrade/environment_library_loader.h"
#include "updater/upgrade/program_upgrade.h"
#include "updater/upgrade/upgrade_journal.h"
#include "updater/wizard/wizard_step.h"

namespace quintarel {
namespace {

using ::testing::ElementsAre;
using testing::FakeFileVersions;
using testing::MemoryRegistry;
using testing::FakeLibraryLoader;
using testing::FakeShell;
using testing::FakeShellFolders;
using testing::FakeShellLinks;
using testing::FakeStringTable;
using testing::FakeSystemProfile;
using testing::FakeUserInterface;
using testing::MemoryFileSystem;

constexpr char kArchive[] = "C:\\dl\\update.dat";
constexpr char kUpdater[] = "C:\\dl\\updater.exe";
constexpr char kAppPathsKey[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\app.exe";
constexpr char kHead[] =
    "[Quintarel Corporation UpdateInfo]\r\nformat=0\r\n"
    "[strings]\r\ntitle=App Upgrade\r\nappname=The App\r\nupgrade=Upgrades the app.\r\n"
    "[hint]\r\nexe,app.exe\r\n";
constexpr char kVersion[] = "[version check]\r\napp.exe/1.50-1.61\r\n";
constexpr char kLicense[] = "[license]\r\nlicense.txt\r\n";

// The dialog as the steps see it: the state of every control.
class FakeWizardView final : public WizardView {
 public:
  struct Button {
    std::string caption;
    bool enabled = true;
    bool visible = true;
  };

  void SetButton(int control_id, const std::string& caption, bool enabled, bool visible) override {
    buttons[control_id] = {caption, enabled, visible};
  }
  void SetHeading(const std::string& text) override { heading = text; }
  void SetBody(const std::optional<std::string>& text) override { body = text; }
  void SetCaption(const std::string& text) override { caption = text; }
  void End(WizardResult value) override { result = value; }

  std::string Describe(int control_id) const {
    const auto found = buttons.find(control_id);
    if (found == buttons.end()) return "-";
    const Button& b = found->second;
    return b.caption + (b.enabled ? "" : " disabled") + (b.visible ? "" : " hidden");
  }

  std::map<int, Button> buttons = {{IDC_WIZARD_BROWSE, {"Browse...", true, false}}};
  std::string heading;
  std::optional<std::string> body;
  std::string caption = "Updater";
  std::optional<WizardResult> result;
};

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.AddFolder("C:\\dl");
    files_.AddFolder("C:\\App");
    files_.AddFile("C:\\App\\app.exe", "installed");
    registry_.SetValue(kAppPathsKey, "Path", "C:\\App");
    versions_.Set("C:\\App\\app.exe", 161);
    strings_.texts[115] = "115 %s|%s";
    strings_.texts[116] = "116 %s";
    strings_.texts[117] = "117 %s";
  }

  // Packs the script and the named files (given as name, content) into the
  // archive at kArchive.
  void MakeArchive(const std::string& script,
                   std::vector<std::pair<std::string, std::string>> entries = {},
                   FileTimes times = {}) {
    files_.AddFolder("C:\\src");
    files_.AddFile("C:\\src\\update.inf", script);
    UpdateArchive archive(files_);
    ASSERT_TRUE(archive.AddFile("update.inf", "C:\\src\\update.inf", nullptr));
    if (entries.empty()) entries.emplace_back("app.exe", "new");
    for (const auto& [name, content] : entries) {
      files_.AddFile("C:\\src\\" + name, content, times);
      ASSERT_TRUE(archive.AddFile(name, "C:\\src\\" + name, nullptr));
    }
    ASSERT_TRUE(archive.Save(kArchive));
  }

  // Makes the archive's entry at index claim one byte more than it holds, so
  // that it no longer expands.
  void DamageEntry(int index) {
    namespace fmt = archive_format;
    std::vector<std::uint8_t>& bytes = files_.Lookup(kArchive)->bytes;
    std::size_t record = fmt::kHeaderSize;
    for (int i = 0; i < index; ++i) {
      record += fmt::kRecordSize + DecodeFixed32(&bytes[record + fmt::kStoredSizeOffset]);
    }
    std::uint8_t* size = &bytes[record + fmt::kFileSizeOffset];
    EncodeFixed32(size, DecodeFixed32(size) + 1);
  }

  bool Build(const std::string& script,
             std::vector<std::pair<std::string, std::string>> entries = {}) {
    MakeArchive(script, std::move(entries));
    return context_.BuildSteps(view_, kArchive);
  }

  std::string Page() const { return context_.current() ? context_.current()->heading() : "(ended)"; }

  // Presses Next (or Back) until the wizard ends, collecting each page.
  std::vector<std::string> Walk(void (WizardContext::*press)(), int limit = 10) {
    std::vector<std::string> pages;
    while (context_.current() != nullptr && limit-- > 0) {
      (context_.*press)();
      pages.push_back(Page());
    }
    return pages;
  }

  MemoryFileSystem files_;
  MemoryRegistry registry_;
  FakeShell shell_;
  FakeFileVersions versions_;
  FakeStringTable strings_;
  FakeSystemProfile profile_;
  FakeUserInterface ui_;
  FakeWizardView view_;
  FakeShellFolders folders_;
  FakeShellLinks links_{files_};
  FakeLibraryLoader library_;
  WizardContext context_{Services()};

  WizardServices Services(FileVersions& versions, UserInterface& ui) {
    return {{files_, registry_, shell_, versions, strings_, profile_, folders_, links_, library_}, ui, kUpdater};
  }
  WizardServices Services() { return Services(versions_, ui_); }
};

TEST_F(WizardTest, StepsFollowTheScriptInBothDirections) {
  struct Case {
    std::string sections;
    std::vector<std::string> forward;
  };
  // The program is found and the newest version is installed, so every
  // optional page that exists is shown.
  const Case cases[] = {
      {"", {"#106", "(ended)"}},
      {kVersion, {"#104", "#106", "(ended)"}},
      {kLicense, {"#105", "#106", "(ended)"}},
      {std::string(kVersion) + kLicense, {"#104", "#105", "#106", "(ended)"}},
      {"[version check]\r\napp.exe/1.50\r\n", {"#106", "(ended)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sections);
    FakeWizardView view;
    WizardContext context(Services());
    MakeArchive(kHead + c.sections, {{"license.txt", "terms"}});
    ASSERT_TRUE(context.BuildSteps(view, kArchive));
    EXPECT_EQ(context.current()->heading(), "Upgrades the app.#102");

    std::vector<std::string> forward;
    std::vector<std::string> backward;
    for (std::size_t i = 0; i + 1 < c.forward.size(); ++i) {
      context.Next();
      forward.push_back(context.current()->heading());
    }
    while (context.current()->previous() != nullptr) {
      context.Back();
      backward.insert(backward.begin(), context.current()->heading());
    }
    context.Next();
    for (std::size_t i = 1; i < c.forward.size(); ++i) context.Next();
    forward.push_back(context.current() ? context.current()->heading() : "(ended)");
    EXPECT_EQ(forward, c.forward);
    // Going back passes over the location page again and stops at the
    // introduction.
    std::vector<std::string> expected_back(c.forward.begin(), c.forward.end() - 2);
    expected_back.insert(expected_back.begin(), "Upgrades the app.#102");
    EXPECT_EQ(backward, expected_back);
    EXPECT_EQ(view.result, WizardResult::kOk);
  }
}

TEST_F(WizardTest, EachPageSetsItsButtonsAndBody) {
  ASSERT_TRUE(Build(std::string(kHead) + kVersion + kLicense, {{"license.txt", "terms"}}));
  struct Expected {
    std::string heading, back, next, cancel, browse;
    std::optional<std::string> body;
  };
  const Expected pages[] = {
      {"Upgrades the app.#102", "#107 disabled", "#108", "#109", "Browse... hidden", std::nullopt},
      // Passing over the location page leaves Browse hidden with its caption.
      {"#104", "#107", "#108", "#109", "#110... hidden", std::nullopt},
      {"#105", "#107", "#111", "#112", "#110... hidden", "terms"},
      {"#106", "#107", "#113", "#109", "#110... hidden", std::nullopt},
  };
  for (const Expected& page : pages) {
    EXPECT_EQ(view_.heading, page.heading);
    EXPECT_EQ(view_.Describe(IDC_WIZARD_BACK), page.back) << page.heading;
    EXPECT_EQ(view_.Describe(IDC_WIZARD_NEXT), page.next) << page.heading;
    EXPECT_EQ(view_.Describe(IDC_WIZARD_CANCEL), page.cancel) << page.heading;
    EXPECT_EQ(view_.Describe(IDC_WIZARD_BROWSE), page.browse) << page.heading;
    EXPECT_EQ(view_.body, page.body) << page.heading;
    context_.Next();
  }
  EXPECT_EQ(view_.result, WizardResult::kOk);
}

TEST_F(WizardTest, TitleReplacesCaptionAndMessageBoxCaptions) {
  versions_.Set("C:\\App\\app.exe", 149);
  ASSERT_TRUE(Build(std::string(kHead) + kVersion));
  EXPECT_EQ(view_.caption, "App Upgrade");
  context_.Next();
  EXPECT_THAT(ui_.log, ElementsAre("info 117 1.50"));
  EXPECT_THAT(ui_.captions, ElementsAre("App Upgrade"));
}

TEST_F(WizardTest, JapaneseSystemsReadTheJapaneseSections) {
  profile_.country_code = 81;
  ASSERT_TRUE(Build(std::string(kHead) + "[japanese]\r\nstrings=strings_j\r\nlicense=license_j\r\n" +
                        "[strings_j]\r\ntitle=J Title\r\nupgrade=J text\r\n[license_j]\r\nlicense_j.txt\r\n",
                    {{"license_j.txt", "j terms"}}));
  EXPECT_EQ(view_.caption, "J Title");
  EXPECT_EQ(Page(), "J text#102");
  context_.Next();
  EXPECT_EQ(view_.body, "j terms");
}

TEST_F(WizardTest, LicenceTextEndsAtItsFirstZeroByte) {
  ASSERT_TRUE(Build(std::string(kHead) + kLicense, {{"license.txt", std::string("first\0second", 12)}}));
  context_.Next();
  EXPECT_EQ(view_.body, "first");
}

TEST_F(WizardTest, BuildFailsForUnusableArchives) {
  EXPECT_FALSE(context_.BuildSteps(view_, "C:\\dl\\missing.dat"));
  struct Case {
    const char* name;
    std::string script;
    std::vector<std::pair<std::string, std::string>> entries;
    int damaged_entry = -1;  // claims one byte more than it expands to
  };
  const Case cases[] = {
      {"licence entry missing", std::string(kHead) + "[license]\r\nmissing.txt\r\n", {}},
      {"script rejected", "[Quintarel Corporation UpdateInfo]\r\nformat=1\r\n", {}},
      {"script damaged", std::string(kHead), {}, 0},
      {"licence entry damaged", std::string(kHead) + kLicense, {{"license.txt", "terms"}}, 1},
  };
  for (const Case& c : cases) {
    FakeWizardView view;
    WizardContext context(Services());
    MakeArchive(c.script, c.entries);
    if (c.damaged_entry >= 0) DamageEntry(c.damaged_entry);
    EXPECT_FALSE(context.BuildSteps(view, kArchive)) << c.name;
    EXPECT_EQ(context.current(), nullptr) << c.name;
  }
  // An archive that holds only its script.
  UpdateArchive archive(files_);
  ASSERT_TRUE(archive.AddFile("update.inf", "C:\\src\\update.inf", nullptr));
  ASSERT_TRUE(archive.Save("C:\\dl\\one.dat"));
  EXPECT_FALSE(context_.BuildSteps(view_, "C:\\dl\\one.dat"));
  EXPECT_TRUE(ui_.log.empty());
}

TEST_F(WizardTest, ASealedArchiveOpensOnlyWhenEveryEntryIsAsSealed) {
  // As sealed; a byte changed since the seal; a sealed script alone, refused
  // since the seal counts as no file.
  for (const auto& [script_only, changed, opens] : {std::tuple(false, false, true), {false, true, false},
                                                     {true, false, false}}) {
    MakeArchive(kHead);
    UpdateArchive archive(files_);
    ASSERT_TRUE(script_only ? archive.AddFile("update.inf", "C:\\src\\update.inf", nullptr) : archive.Open(kArchive));
    std::vector<Sha256Digest> digests;
    for (int i = 0; i < archive.GetCount(); ++i) digests.push_back(*DigestOfEntry(archive, i));
    if (changed) digests.back()[31] ^= 1;  // as if a byte of app.exe changed after the seal
    SealArchive(archive, digests);
    ASSERT_TRUE(archive.Save(kArchive));
    FakeWizardView view;
    WizardContext context(Services());
    EXPECT_EQ(context.BuildSteps(view, kArchive), opens) << script_only << changed;
  }
}

TEST_F(WizardTest, VersionPageIsShownOnlyWhenTheNewestIsInstalled) {
  struct Case {
    std::string check;
    std::int32_t installed;
    std::vector<std::string> log;
    std::string page_after_next;
  };
  const Case cases[] = {
      {"app.exe/1.50-1.61", 161, {}, "#104"},
      {"app.exe/1.50-1.61", 160, {}, "#106"},
      {"app.exe/1.50-1.61", 150, {}, "#106"},
      {"app.exe/1.50-1.61", 149, {"info 117 1.50"}, "(ended)"},
      {"app.exe / 1.15 - 2.0", 115, {}, "#106"},  // 1.15 rounds to 115
      {"app.exe/-", 0, {}, "#106"},               // no limits at all
      {"app.exe/1.2-abc", 120, {}, "#104"},       // a newest of 0 is always installed
      {"my-app.exe/1.0-2.0", 200, {}, "#104"},    // the range follows the "/"
      {"my-app.exe/1.0-2.0", 99, {"info 117 1.0"}, "(ended)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.check);
    FakeWizardView view;
    FakeUserInterface ui;
    FakeFileVersions versions;
    versions.Set("C:\\App\\app.exe", c.installed);
    versions.Set("C:\\App\\my-app.exe", c.installed);
    WizardContext context(Services(versions, ui));
    MakeArchive(std::string(kHead) + "[version check]\r\n" + c.check + "\r\n");
    ASSERT_TRUE(context.BuildSteps(view, kArchive));
    context.Next();
    EXPECT_EQ(ui.log, c.log);
    EXPECT_EQ(context.current() ? context.current()->heading() : "(ended)", c.page_after_next);
    for (const std::string& path : versions.read) {
      EXPECT_EQ(path, c.check.rfind("my-", 0) == 0 ? "C:\\App\\my-app.exe" : "C:\\App\\app.exe");
    }
  }
}

TEST_F(WizardTest, TooOldFoundOnTheWayBackEndsTheWizard) {
  ASSERT_TRUE(Build(std::string(kHead) + kVersion + kLicense, {{"license.txt", "terms"}}));
  context_.Next();
  context_.Next();
  ASSERT_EQ(Page(), "#105");
  versions_.Set("C:\\App\\app.exe", 100);
  context_.Back();
  EXPECT_EQ(Page(), "(ended)");
  EXPECT_EQ(view_.result, WizardResult::kOk);
  EXPECT_THAT(ui_.log, ElementsAre("info 117 1.50"));
}

TEST_F(WizardTest, EveryEntryRunsTheLocationAndVersionTestsAgain) {
  ASSERT_TRUE(Build(std::string(kHead) + kVersion + kLicense, {{"license.txt", "terms"}}));
  const std::size_t lookups = registry_.opened.size();
  EXPECT_THAT(Walk(&WizardContext::Next, 2), ElementsAre("#104", "#105"));
  EXPECT_THAT(Walk(&WizardContext::Back, 2), ElementsAre("#104", "Upgrades the app.#102"));
  EXPECT_EQ(registry_.opened.size(), lookups + 2);
  EXPECT_EQ(versions_.read.size(), 4u);  // two checks on each of two entries
  EXPECT_EQ(context_.program_folder(), "C:\\App\\");
}

TEST_F(WizardTest, CancelEndsFromEveryPage) {
  for (int presses = 0; presses < 3; ++presses) {
    FakeWizardView view;
    WizardContext context(Services());
    MakeArchive(std::string(kHead) + kLicense, {{"license.txt", "terms"}});
    ASSERT_TRUE(context.BuildSteps(view, kArchive));
    for (int i = 0; i < presses; ++i) context.Next();
    context.Cancel();
    EXPECT_EQ(view.result, WizardResult::kCancel) << presses;
  }
  EXPECT_TRUE(ui_.log.empty());
}

// The installed program before an upgrade: a program, a read-only file and
// a data folder; the archive's entries carry their own times.
class UpgradeTest : public WizardTest {
 protected:
  static constexpr std::int64_t kStoredTime = 1'200'000'000;

  void SetUp() override {
    WizardTest::SetUp();
    files_.AddFile("C:\\App\\readme.txt", "old readme", FileTimes{1, 2, 3});
    files_.Lookup("C:\\App\\readme.txt")->read_only = true;
    files_.AddFolder("C:\\App\\data");
  }

  // Builds the archive with the copy list and goes to the last page.
  void Prepare(const std::string& copy_list, const std::string& more_sections = "") {
    MakeArchive(std::string(kHead) + "[copyfiles]\r\n" + copy_list + more_sections,
                {{"app.exe", "new app"}, {"readme.txt", "new readme"}, {"new.dll", "dll"}},
                FileTimes{kStoredTime, kStoredTime, kStoredTime});
    ASSERT_TRUE(context_.BuildSteps(view_, kArchive));
    context_.Next();
    ASSERT_EQ(Page(), "#106");
  }

  // Every path below prefix with its content, times and read-only flag.
  std::vector<std::string> Snapshot(const std::string& prefix = "") {
    std::vector<std::string> state;
    for (const std::string& path : files_.Paths()) {
      if (path.compare(0, prefix.size(), prefix) != 0) continue;
      const MemoryFileSystem::Node& node = *files_.Lookup(path);
      const FileTimes& t = node.times;
      state.push_back(path + "=" + std::string(node.bytes.begin(), node.bytes.end()) + " " +
                      std::to_string(t.last_write) + (node.read_only ? " ro" : "") +
                      (t.creation != t.last_write || t.last_access != t.last_write
                           ? " " + std::to_string(t.creation) + "/" + std::to_string(t.last_access)
                           : ""));
    }
    return state;
  }

  // The installed program again, with nothing left from a run before.
  void Reinstall() {
    files_ = MemoryFileSystem();
    SetUp();
  }

  // Runs the upgrade core on the copy list, as Finish does.
  WriteOutcome WriteDirectly(const std::vector<CopyListLine>& lines) {
    UpdateArchive archive(files_);
    EXPECT_TRUE(archive.Open(kArchive));
    ProgramUpgrade upgrade({files_, library_, folders_, links_, kUpdater}, archive, {"C:\\App\\", lines, "", {}});
    return upgrade.WriteProgramFiles();
  }
};

TEST_F(UpgradeTest, FinishWritesCallsTheLibraryAndReports) {
  // Neither a missing library nor a DoIt that fails keeps the upgrade from
  // ending in success.
  for (const std::optional<bool> result : {std::optional<bool>(true), std::optional<bool>(false),
                                           std::optional<bool>()}) {
    SetUp();
    library_.result = result;
    library_.calls.clear();
    ui_.log.clear();
    Prepare("app.exe=app.exe\r\nreadme.txt = readme.txt\r\nsub\\deep\\new.dll=NEW.DLL\r\n");
    context_.Next();
    EXPECT_THAT(ui_.log, ElementsAre("info #122"));
    EXPECT_EQ(view_.result, WizardResult::kOk);
    EXPECT_EQ(files_.Lookup("C:\\App\\app.exe")->times.last_write, kStoredTime);
    EXPECT_EQ(files_.Lookup("C:\\App\\readme.txt")->read_only, false);
    const std::vector<std::string> after = Snapshot();
    // No backup or temporary file is left beside the written ones.
    EXPECT_THAT(after, ::testing::Each(::testing::Not(::testing::HasSubstr(".~"))));
    EXPECT_THAT(after, ::testing::IsSupersetOf({
                           "c:\\app\\app.exe=new app 1200000000",
                           "c:\\app\\readme.txt=new readme 1200000000",
                           "c:\\app\\sub\\deep\\new.dll=dll 1200000000",
                       }));
    EXPECT_THAT(library_.calls, ElementsAre("C:\\dl\\Kestrune.dll|C:\\App"));
    EXPECT_FALSE(ui_.busy());
  }
}

TEST_F(UpgradeTest, AFailedLineLeavesTheProgramAsItWas) {
  struct Line {
    std::string text;
    std::uint64_t bytes;  // what writing it costs
  };
  const std::vector<Line> lines = {
      {"app.exe=app.exe\r\n", 7}, {"sub\\deep\\new.dll=new.dll\r\n", 3},
      {"readme.txt=readme.txt\r\n", 10},
      // The same file again: both of its backups must go back, in order.
      {"app.exe=readme.txt\r\n", 10}, {"data\\new.dll=new.dll\r\n", 3}};
  for (std::size_t failing = 0; failing <= lines.size(); ++failing) {
    for (const std::string fault : {"missing entry", "folder", "disk full", "in use", "running", "rename"}) {
      if (fault == "disk full" && failing == lines.size()) continue;
      if ((fault == "in use" || fault == "running" || fault == "rename") && failing != 2) continue;
      SCOPED_TRACE(std::to_string(failing) + " " + fault);
      SetUp();
      std::string copy_list;
      std::uint64_t budget = 0;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == failing && fault == "missing entry") copy_list += "x.dll=missing.dll\r\n";
        if (i == failing && fault == "folder") copy_list += "new.dll\r\n";
        copy_list += lines[i].text;
        if (i < failing) budget += lines[i].bytes;
      }
      if (fault == "missing entry" && failing == lines.size()) copy_list += "x.dll=missing.dll\r\n";
      if (fault == "folder" && failing == lines.size()) copy_list += "data=new.dll\r\n";
      Prepare(copy_list);
      const std::vector<std::string> before = Snapshot();
      FileErrorCause cause;
      std::unique_ptr<File> held;
      if (fault == "in use") held = files_.OpenForRead("C:\\App\\readme.txt", &cause);
      // A running program can be renamed aside, but its backup never removed.
      if (fault == "running") files_.Lookup("C:\\App\\readme.txt")->running = true;
      if (fault == "disk full") files_.set_write_budget(budget);
      // The new file cannot take the old one's place: the backup goes back.
      if (fault == "rename") files_.refuse_rename_to("C:\\App\\readme.txt");

      ui_.log.clear();
      context_.Next();
      held.reset();
      files_.set_write_budget(UINT64_MAX);
      EXPECT_THAT(ui_.log, ElementsAre("info #124"));
      EXPECT_EQ(view_.result, WizardResult::kOk);
      EXPECT_EQ(Snapshot(), before);
      EXPECT_TRUE(library_.calls.empty());
      EXPECT_TRUE(links_.log.empty());
      EXPECT_FALSE(ui_.busy());
    }
  }
}

TEST_F(UpgradeTest, BackupsThatCannotBeRemovedAreReportedAndRemovedByTheNextRun) {
  strings_.texts[125] = "125%s";
  Prepare("app.exe=app.exe\r\nnew.dll=new.dll\r\n");
  files_.refuse_removals(true);
  ui_.log.clear();
  context_.Next();
  files_.refuse_removals(false);
  const std::vector<std::string> paths = files_.Paths();
  const auto backup = std::find_if(paths.begin(), paths.end(), IsNameBeside);
  ASSERT_NE(backup, paths.end());
  ASSERT_EQ(ui_.log.size(), 2u);
  EXPECT_EQ(ui_.log[0], "info #122");
  EXPECT_THAT(ui_.log[1], ::testing::HasSubstr(FileNameOf(*backup)));

  // The journal remembers them; knowing the folder again finishes the work.
  const std::string journal = JournalPath("C:\\App");
  ASSERT_TRUE(files_.Exists(journal));
  context_.SetProgramFolder("c:\\app");
  EXPECT_FALSE(files_.Exists(*backup));
  EXPECT_FALSE(files_.Exists(journal));
  EXPECT_EQ(files_.Contents("C:\\App\\app.exe"), files_.Contents("C:\\src\\app.exe"));
}

// A kill or a power cut at any point of Finish: the next start finds the
// old program before the commit mark and the new one after it.
TEST_F(UpgradeTest, EveryStopIsRecoveredToTheOldOrTheNewProgram) {
  // A read-only file, a file written twice and new folders.
  const std::vector<CopyListLine> lines = {
      {"readme.txt", "readme.txt"}, {"app.exe", "app.exe"}, {"sub\\deep\\new.dll", "new.dll"}, {"app.exe", "readme.txt"}};
  Prepare("");
  const std::vector<std::string> before = Snapshot("c:\\app");
  const std::uint64_t start = files_.changes();
  ASSERT_TRUE(WriteDirectly(lines).written());
  const std::uint64_t total = files_.changes() - start;
  const std::vector<std::string> after = Snapshot("c:\\app");
  ASSERT_NE(before, after);

  for (const bool power_cut : {false, true}) {
    bool committed = false;
    for (std::uint64_t stop = 0; stop < total; ++stop) {
      SCOPED_TRACE(std::to_string(stop) + (power_cut ? " power cut" : " kill"));
      Reinstall();
      Prepare("");
      files_.stop_after_changes(stop);
      const bool written = WriteDirectly(lines).written();
      if (power_cut) files_.PowerCut();
      files_.stop_after_changes(std::nullopt);
      const RecoveryOutcome outcome = RecoverInterruptedUpgrade(files_, "C:\\App");
      EXPECT_TRUE(outcome.left.empty());
      const std::vector<std::string> state = Snapshot("c:\\app");
      // Once the commit mark is on disk, every later stop keeps the new program.
      committed = committed || state == after;
      EXPECT_EQ(state, committed ? after : before);
      EXPECT_FALSE(written && !committed);
    }
    EXPECT_TRUE(committed);
  }
}

// A journal whose last record was cut short, or damaged, is recovered as
// far as it goes.
TEST_F(UpgradeTest, ATornLastRecordIsIgnored) {
  const std::vector<CopyListLine> lines = {{"app.exe", "app.exe"}, {"readme.txt", "readme.txt"}};
  constexpr std::size_t kWrittenRecordSize = 13;
  for (std::size_t cut = 0; cut <= kWrittenRecordSize + 1; ++cut) {
    SCOPED_TRACE(cut);
    Reinstall();
    Prepare("");
    const std::vector<std::string> before = Snapshot("c:\\app");
    // Stopped as soon as the first file is recorded as in place, so that
    // the record is the journal's last.
    JournalContents read;
    for (std::uint64_t stop = 0; read.written == 0; ++stop) {
      ASSERT_LT(stop, 100u);
      Reinstall();
      Prepare("");
      files_.stop_after_changes(stop);
      WriteDirectly(lines);
      files_.stop_after_changes(std::nullopt);
      ReadJournal(files_, JournalPath("C:\\App"), "C:\\App", &read);
    }
    std::vector<std::uint8_t>& journal = files_.Lookup(JournalPath("C:\\App"))->bytes;
    ASSERT_GT(journal.size(), kWrittenRecordSize);
    if (cut <= kWrittenRecordSize) {
      journal.erase(journal.end() - static_cast<std::ptrdiff_t>(cut), journal.end());
    } else {
      journal.back() ^= 0x40;  // a damaged checksum or index
    }
    const RecoveryOutcome outcome = RecoverInterruptedUpgrade(files_, "C:\\App");
    EXPECT_EQ(outcome.action, RecoveryOutcome::Action::kRolledBack);
    EXPECT_EQ(outcome.torn, cut != 0 && cut != kWrittenRecordSize);
    EXPECT_EQ(Snapshot("c:\\app"), before);
  }
}

// Journal records written by hand, as the format says: size, CRC-32, payload.
std::vector<std::uint8_t> JournalRecord(std::vector<std::uint8_t> payload) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (const std::uint8_t byte : payload) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
  }
  std::vector<std::uint8_t> record(8 + payload.size());
  EncodeFixed32(&record[0], static_cast<std::uint32_t>(payload.size()));
  EncodeFixed32(&record[4], ~crc);
  std::copy(payload.begin(), payload.end(), record.begin() + 8);
  return record;
}

std::vector<std::uint8_t> FileRecord(bool existed, std::initializer_list<std::string> paths) {
  std::vector<std::uint8_t> payload{2, existed ? std::uint8_t{1} : std::uint8_t{0}};
  for (const std::string& path : paths) {
    std::uint8_t size[4];
    EncodeFixed32(size, static_cast<std::uint32_t>(path.size()));
    payload.insert(payload.end(), size, size + 4);
    payload.insert(payload.end(), path.begin(), path.end());
  }
  return JournalRecord(payload);
}

// The journal lies where others may write: a path that climbs, names a
// drive or is not beside its file ends it, and nothing is touched.
TEST_F(UpgradeTest, APlantedJournalTouchesNothingOutsideTheProduct) {
  struct Case {
    std::vector<std::uint8_t> file;
    bool obeyed;
  };
  const Case cases[] = {
      {FileRecord(false, {"notes.txt", "notes.txt.~0123abcd", "notes.txt.~89abcdef"}), true},
      {FileRecord(false, {"..\\keep.txt", "..\\keep.txt.~0123abcd", "..\\keep.txt.~89abcdef"}), false},
      {FileRecord(false, {"C:\\keep.txt", "C:\\keep.txt.~0123abcd", "C:\\keep.txt.~89abcdef"}), false},
      {FileRecord(true, {"app.exe", "notes.txt", "app.exe.~89abcdef"}), false},
  };
  for (const Case& c : cases) {
    Reinstall();
    files_.AddFile("C:\\keep.txt", "outside");
    files_.AddFile("C:\\App\\notes.txt", "not ours");
    std::vector<std::uint8_t> journal = c.file;
    for (const auto& record : {JournalRecord({3}), JournalRecord({4, 0, 0, 0, 0})}) {
      journal.insert(journal.end(), record.begin(), record.end());
    }
    files_.AddFile(JournalPath("C:\\App"), journal);
    const RecoveryOutcome outcome = RecoverInterruptedUpgrade(files_, "C:\\App\\");
    EXPECT_EQ(outcome.torn, !c.obeyed);
    EXPECT_EQ(files_.Exists("C:\\App\\notes.txt"), !c.obeyed);
    EXPECT_TRUE(files_.Exists("C:\\keep.txt"));
    EXPECT_TRUE(files_.Exists("C:\\App\\app.exe"));
    EXPECT_FALSE(files_.Exists(JournalPath("C:\\App")));
  }
}

TEST_F(UpgradeTest, DestinationsOutsideTheProductChangeNothing) {
  for (const std::string destination :
       {"sub\\..\\..\\outside.txt", "C:\\outside.txt", "app.exe:s", "updater.jnl", "Updater.Jnl. "}) {
    SCOPED_TRACE(destination);
    SetUp();
    // The line before is fine: nothing may be written before the check.
    Prepare("app.exe=app.exe\r\n" + destination + "=readme.txt\r\n");
    const std::vector<std::string> before = Snapshot();
    ui_.log.clear();
    context_.Next();
    EXPECT_THAT(ui_.log, ElementsAre("info #124"));
    EXPECT_EQ(Snapshot(), before);
  }
}

// The upgrade core's outcomes, which a front end turns into what it shows.
TEST_F(UpgradeTest, OutcomesNameTheLineThatFailed) {
  using Failure = WriteOutcome::Failure;
  struct Case {
    std::vector<CopyListLine> lines;
    bool running;
    Failure failure;
    std::size_t failed_line;
  };
  const Case cases[] = {
      {{{"app.exe", "app.exe"}, {"..\\x.txt", "readme.txt"}}, false, Failure::kOutsideProduct, 1},
      {{{"app.exe", "app.exe"}, {"readme.txt", "readme.txt"}}, true, Failure::kInUse, 1},
      {{{"app.exe", "app.exe"}, {"new.dll", "new.dll"}, {"x.dll", "missing.dll"}}, false, Failure::kNotWritten, 2},
      {{{"app.exe", "app.exe"}}, false, Failure::kNone, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    Prepare("");
    files_.Lookup("C:\\App\\readme.txt")->running = c.running;
    UpdateArchive archive(files_);
    ASSERT_TRUE(archive.Open(kArchive));
    ProgramUpgrade upgrade({files_, library_, folders_, links_, kUpdater}, archive, {"C:\\App\\", c.lines, "", {}});
    const WriteOutcome outcome = upgrade.WriteProgramFiles();
    EXPECT_EQ(outcome.failure, c.failure) << c.lines.back().destination;
    EXPECT_EQ(outcome.failed_line, c.failed_line) << c.lines.back().destination;
  }
}

TEST(UpgradePathsTest, DestinationsResolveBelowTheRoot) {
  const struct {
    const char* program_folder;
    const char* destination;
    std::optional<std::string> path;
  } cases[] = {
      {"C:\\App", "sub/.\\deep\\\\x.dll", "C:\\App\\sub\\deep\\x.dll"},
      {"C:\\App\\", "sub\\..\\x.dll", "C:\\App\\x.dll"},
      {"C:\\App\\", "sub\\", "C:\\App\\sub\\"},
      {"C:\\App\\", "..\\x.dll", std::nullopt},
      {"C:\\Apps\\Suite\\PROGRAM\\", "..\\Data\\x", "C:\\Apps\\Suite\\Data\\x"},
      {"C:\\Apps\\Suite\\Program\\", "..\\..\\Suite\\x", std::nullopt},
      {"C:\\App\\", "x.txt:s", std::nullopt},
      {"C:\\App\\", "D:x.txt", std::nullopt},
      {"C:\\App\\", "\\\\server\\x.txt", std::nullopt},
      {"C:\\App\\", "/x.txt", std::nullopt},
      {"C:\\App\\", ".. \\x.txt", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.program_folder) + " + " + c.destination);
    EXPECT_EQ(ConfinedDestination(c.program_folder, c.destination), c.path);
  }
}

TEST(UpgradePathsTest, TheRootIsTheFolderAboveProgram) {
  const std::pair<std::string, std::string> roots[] = {
      {"C:\\Apps\\Suite\\Program\\", "C:\\Apps\\Suite"},
      {"C:\\Apps\\Suite\\PROGRAM", "C:\\Apps\\Suite"},
      {"C:\\Apps\\Tool\\", "C:\\Apps\\Tool"},
      {"C:\\Apps\\Programs\\", "C:\\Apps\\Programs"},
      {"C:\\Program\\", "C:"},
      {"Program\\", "Program"},
  };
  for (const auto& [folder, root] : roots) EXPECT_EQ(InstallationRoot(folder), root) << folder;
}

// Shortcuts in both Start-menu trees, some pointing at the program under
// other spellings of its name.
class ShortcutTest : public UpgradeTest {
 protected:
  void SetUp() override {
    UpgradeTest::SetUp();
    files_.AddFile("C:\\App\\app2.exe", "x");
    for (const char* folder : {"C:\\Start", "C:\\Start\\All", "C:\\Start\\All\\Suite",
                               "C:\\Start\\User", "C:\\Start\\Loop"}) {
      files_.AddFolder(folder);
    }
    files_.AddFolderLink("C:\\Start\\User\\Back");
    AddLink("C:\\Start\\All\\Suite\\app tools.lnk", "C:\\APP\\APP.EXE");
    AddLink("C:\\Start\\All\\App.lnk", "C:\\APP~1\\app.exe");
    AddLink("C:\\Start\\All\\Other.lnk", "C:\\App\\app.exe");
    AddLink("C:\\Start\\All\\AppGone.lnk", "C:\\App\\gone.exe");
    AddLink("C:\\Start\\User\\APP.LNK", "C:\\App\\app2.exe");
    // Never visited: the walk does not enter a folder link.
    AddLink("C:\\Start\\User\\Back\\App.lnk", "C:\\App\\app2.exe");
    files_.AddFile("C:\\Start\\User\\App.txt", "not a link");
    links_.aliases = {{"C:\\App\\app.exe", "C:\\APP~1\\APP.EXE"},
                      {"C:\\APP~1\\app.exe", "C:\\APP~1\\APP.EXE"},
                      {"C:\\APP\\APP.EXE", "C:\\APP~1\\APP.EXE"}};
  }

  void AddLink(const std::string& path, const std::string& target) {
    files_.AddFile(path, "lnk");
    links_.targets[path] = target;
  }

};

TEST_F(ShortcutTest, MatchingLinksAreTurnedInBothTrees) {
  struct Case {
    std::string label;
    std::string targets;
    bool common_programs;
    bool session_starts;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"both trees, shortcuts before subfolders, keyword, case and short names",
       "new.exe=app.exe\r\nnew2.exe = app2.exe\r\nno pair\r\n", true, true,
       {"begin", "read C:\\Start\\All\\App.lnk", "set C:\\Start\\All\\App.lnk -> C:\\App\\new.exe",
        "read C:\\Start\\All\\AppGone.lnk", "read C:\\Start\\All\\Suite\\app tools.lnk",
        "set C:\\Start\\All\\Suite\\app tools.lnk -> C:\\App\\new.exe",
        "read C:\\Start\\User\\APP.LNK", "set C:\\Start\\User\\APP.LNK -> C:\\App\\new2.exe", "end"}},
      {"every line against the target as read; the later one stays",
       "first.exe=app2.exe\r\nsecond.exe=APP2.EXE\r\n", false, true,
       {"begin", "read C:\\Start\\User\\APP.LNK", "set C:\\Start\\User\\APP.LNK -> C:\\App\\first.exe",
        "set C:\\Start\\User\\APP.LNK -> C:\\App\\second.exe", "end"}},
      {"no target lines", "", true, true, {}},
      {"no session", "new.exe=app.exe\r\n", true, false, {"begin"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SetUp();
    links_.log.clear();
    ui_.log.clear();
    folders_.common_programs =
        c.common_programs ? std::optional<std::string>("C:\\Start\\All") : std::nullopt;
    links_.session_starts = c.session_starts;
    Prepare("", "[shortcut keyword]\r\nApp\r\n[shortcut target]\r\n" + c.targets);
    context_.Next();
    EXPECT_THAT(ui_.log, ElementsAre("info #122"));
    EXPECT_EQ(links_.log, c.log);
  }
}

// The location page, when the hints do not find the program.
class LocationPageTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    registry_.Clear();
    files_.AddFolder("C:\\Other");
    files_.AddFolder("C:\\Other\\Deep");
    files_.AddFile("C:\\Other\\Deep\\app.exe", "x");
    ASSERT_TRUE(Build(kHead));
    context_.Next();
    ASSERT_EQ(Page(), "#103");
  }
};

TEST_F(LocationPageTest, ShowsUnknownWithBrowse) {
  EXPECT_EQ(view_.body, "#119#120");
  EXPECT_EQ(view_.Describe(IDC_WIZARD_BACK), "#107");
  EXPECT_EQ(view_.Describe(IDC_WIZARD_NEXT), "#108 disabled");
  EXPECT_EQ(view_.Describe(IDC_WIZARD_BROWSE), "#110...");
  context_.Back();
  EXPECT_EQ(view_.Describe(IDC_WIZARD_BROWSE), "#110... hidden");
  EXPECT_EQ(view_.body, std::nullopt);
}

TEST_F(LocationPageTest, BrowseSearchesUntilTheUserGivesUp) {
  shell_.choices = {"C:\\App", "C:\\"};
  ui_.answers = {true};
  files_.RemoveFile("C:\\App\\app.exe");
  context_.Browse();
  EXPECT_THAT(shell_.browses, ElementsAre("#118|", "#118|C:\\App"));
  EXPECT_THAT(ui_.log, ElementsAre("ask 116 app.exe"));
  // The drive root is searched as "C:".
  EXPECT_EQ(view_.body, "#119C:\\Other\\Deep");
  EXPECT_EQ(view_.Describe(IDC_WIZARD_NEXT), "#108");
  EXPECT_EQ(context_.program_folder(), "C:\\Other\\Deep\\");
  EXPECT_FALSE(ui_.busy());
  context_.Next();
  EXPECT_EQ(Page(), "#106");
}

TEST_F(LocationPageTest, NoAnswerOrCancelledBrowserLeavesTheLocationUnknown) {
  shell_.choices = {"C:\\Other\\Deep"};
  context_.Browse();
  ASSERT_EQ(view_.body, "#119C:\\Other\\Deep");
  // A later Browse that finds nothing clears what was found before.
  shell_.choices = {"C:\\App"};
  files_.RemoveFile("C:\\App\\app.exe");
  ui_.answers = {false};
  context_.Browse();
  EXPECT_EQ(view_.body, "#119#120");
  EXPECT_EQ(view_.Describe(IDC_WIZARD_NEXT), "#108 disabled");
  context_.Browse();  // the browser is cancelled
  EXPECT_EQ(view_.body, "#119#120");
  EXPECT_EQ(view_.Describe(IDC_WIZARD_NEXT), "#108 disabled");
}

TEST_F(LocationPageTest, ComingBackSearchesAgainAndShowsNothingStale) {
  shell_.choices = {"C:\\Other"};
  context_.Browse();
  ASSERT_EQ(view_.body, "#119C:\\Other\\Deep");
  context_.Back();
  context_.Next();
  EXPECT_EQ(view_.body, "#119#120");
  EXPECT_EQ(view_.Describe(IDC_WIZARD_NEXT), "#108 disabled");
}

TEST_F(LocationPageTest, CancelNamesTheFileAndTheApplication) {
  context_.Cancel();
  EXPECT_THAT(ui_.log, ElementsAre("info 115 app.exe|The App"));
  EXPECT_EQ(view_.result, WizardResult::kCancel);
}

TEST_F(WizardTest, CancelWithoutApplicationNameNamesTheFileTwice) {
  registry_.Clear();
  ASSERT_TRUE(Build("[Quintarel Corporation UpdateInfo]\r\nformat=0\r\n[hint]\r\nexe,app.exe\r\n"));
  context_.Next();
  context_.Cancel();
  EXPECT_THAT(ui_.log, ElementsAre("info 115 app.exe|app.exe"));
}

}  // namespace
}  // namespace quintarel
