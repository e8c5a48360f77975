#include "updater/upgrade/program_locator.h"

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_registry.h"

namespace quintarel {
namespace {

using testing::MemoryRegistry;
using testing::FakeShell;
using testing::MemoryFileSystem;

constexpr char kAppPaths[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

class ProgramLocatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.AddFolder("C:\\Apps");
    files_.AddFolder("C:\\Apps\\Tool");
    files_.AddFile("C:\\Apps\\Tool\\tool.exe", "x");
  }

  std::optional<std::string> Locate(std::initializer_list<std::string> hints) {
    for (const std::string& hint : hints) locator_.AddHint(hint);
    return locator_.LocateByHints();
  }

  MemoryFileSystem files_;
  MemoryRegistry registry_;
  FakeShell shell_;
  ProgramLocator locator_{files_, registry_, shell_};
};

TEST_F(ProgramLocatorTest, EachRuleYieldsItsFolder) {
  registry_.SetValue(std::string(kAppPaths) + "tool.exe", "Path", "C:\\Apps\\Tool");
  registry_.SetValue("HKCU\\Software\\Maker\\Tool", "Path", "C:\\Apps\\Tool\\tool.exe");
  registry_.SetValue("HKCU\\Software\\Flat", "Path", "tool.exe");
  shell_.programs["tdoc"] = "C:\\Apps\\Tool\\tool.exe";

  struct Case {
    std::string hint;
    std::optional<std::string> folder;
  };
  const Case cases[] = {
      {"exe,tool.exe", "C:\\Apps\\Tool"},
      {"EXE, \ttool.exe", "C:\\Apps\\Tool"},  // prefix in any case, leading blanks skipped
      {"reg,Maker\\Tool", "C:\\Apps\\Tool"},  // the value cut at its last "\"
      {"reg,Flat", ""},                        // a value without "\" yields an empty folder
      {"ext,tdoc", "C:\\Apps\\Tool"},
      {"exe,other.exe", std::nullopt},
      {"reg,Missing", std::nullopt},
      {"ext,none", std::nullopt},
      {"path,C:\\Apps", std::nullopt},
      {"exe", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(locator_.ApplyHint(c.hint), c.folder) << c.hint;
}

TEST_F(ProgramLocatorTest, RegistryLookupsUseTheArgumentAfterBlanks) {
  // The key is read without the blank, but the target name keeps it, so no
  // search can find the file.
  registry_.SetValue(std::string(kAppPaths) + "tool.exe", "Path", "C:\\Apps\\Tool");
  EXPECT_EQ(Locate({"exe, tool.exe"}), std::nullopt);
  EXPECT_EQ(locator_.target_file_name(), " tool.exe");
  EXPECT_EQ(registry_.opened.back(), std::string(kAppPaths) + "tool.exe");
}

TEST_F(ProgramLocatorTest, LastExeHintNamesTheTargetAndEveryHintIsTried) {
  files_.AddFolder("C:\\Old");
  files_.AddFile("C:\\Old\\old.exe", "x");
  registry_.SetValue(std::string(kAppPaths) + "old.exe", "Path", "C:\\Old");
  registry_.SetValue(std::string(kAppPaths) + "tool.exe", "Path", "C:\\Apps");
  // old.exe's folder holds no tool.exe, so the second hint decides.
  EXPECT_EQ(Locate({"exe,old.exe", "; comment", "exe,tool.exe"}), "C:\\Apps\\Tool");
  EXPECT_EQ(locator_.target_file_name(), "tool.exe");
  EXPECT_EQ(locator_.hints().size(), 3u);
}

TEST_F(ProgramLocatorTest, ValuesThatDoNotFitAreNotFound) {
  registry_.SetValue("HKCU\\Software\\Long", "Path", "C:\\" + std::string(257, 'a'));
  registry_.SetValue("HKCU\\Software\\Fits", "Path", "C:\\" + std::string(256, 'a'));
  EXPECT_EQ(locator_.ApplyHint("reg,Long"), std::nullopt);
  EXPECT_EQ(locator_.ApplyHint("reg,Fits"), "C:");
}

TEST_F(ProgramLocatorTest, SearchIsDepthFirstInListingOrder) {
  files_.AddFolder("C:\\F");
  for (const char* folder : {"C:\\F\\A", "C:\\F\\A\\B", "C:\\F\\C"}) files_.AddFolder(folder);
  files_.AddFile("C:\\F\\A\\B\\app.exe", "x");
  files_.AddFile("C:\\F\\C\\app.exe", "x");
  EXPECT_EQ(locator_.SearchFolder("C:\\F", "app.exe"), "C:\\F\\A\\B");
  // A folder is tested before its subfolders; a trailing "\" doubles the
  // separator, which the file system accepts.
  files_.AddFile("C:\\F\\app.exe", "x");
  EXPECT_EQ(locator_.SearchFolder("C:\\F\\", "app.exe"), "C:\\F\\");
}

TEST_F(ProgramLocatorTest, SearchPassesOverRootRecycleFolderLinksAndLongPaths) {
  struct Case {
    std::string folder;
    bool link;
    bool searched;
  };
  const std::string deep = "C:\\" + std::string(240, 'd');
  const Case cases[] = {
      {"C:\\RECYCLED", false, false},
      {"C:\\Recycled", false, true},
      {"C:\\Data", false, true},
      {"C:\\Data\\RECYCLED", false, true},
      {"C:\\Loop", true, false},
      {deep, false, true},
      {deep + "\\" + std::string(30, 'e'), false, false},
      // Its "\app.exe" of 259 bytes fits the platform's buffers; of 260 not.
      {"C:\\" + std::string(248, 'f'), false, true},
      {"C:\\" + std::string(249, 'f'), false, false},
  };
  for (const Case& c : cases) {
    MemoryFileSystem files;
    ProgramLocator locator(files, registry_, shell_);
    const std::size_t separator = c.folder.rfind('\\');
    if (separator > 2) files.AddFolder(c.folder.substr(0, separator));
    if (c.link) {
      files.AddFolderLink(c.folder);
    } else {
      files.AddFolder(c.folder);
    }
    files.AddFile(c.folder + "\\app.exe", "x");
    EXPECT_EQ(locator.SearchFolder("C:", "app.exe").has_value(), c.searched) << c.folder;
  }
}

TEST_F(ProgramLocatorTest, EmptyTargetNeverMatches) {
  EXPECT_EQ(locator_.SearchFolder("C:\\Apps", ""), std::nullopt);
  // Without an "exe," hint the target is empty, yet the hint yields a folder
  // that is searched.
  registry_.SetValue("HKCU\\Software\\Maker\\Tool", "Path", "C:\\Apps\\Tool\\tool.exe");
  ASSERT_EQ(locator_.ApplyHint("reg,Maker\\Tool"), "C:\\Apps\\Tool");
  EXPECT_EQ(Locate({"reg,Maker\\Tool"}), std::nullopt);
}

TEST_F(ProgramLocatorTest, EmptyFolderSearchesFromTheRootOfTheCurrentDrive) {
  files_.AddFile("\\tool.exe", "x");
  registry_.SetValue("HKCU\\Software\\Flat", "Path", "tool.exe");
  EXPECT_EQ(Locate({"reg,Flat", "exe,tool.exe"}), "");
}

}  // namespace
}  // namespace quintarel
