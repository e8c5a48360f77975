// The start-up's process services against the real system (here: Wine):
// the single-instance guard, and the full path of the first match of a typed
// path, however it was typed.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "package/file_system.h"
#include "tests/support/scratch_folder.h"
#include "updater/app/process_environment_win.h"

namespace quintarel {
namespace {

using testing::ScratchFolder;
using testing::WriteText;

// Restores the process's current folder, and the current folder remembered
// for the scratch folder's drive, when the test ends.
class CurrentFolderGuard {
 public:
  explicit CurrentFolderGuard(std::string drive_variable)
      : drive_variable_(std::move(drive_variable)) {
    ::GetCurrentDirectoryA(MAX_PATH, folder_);
    had_drive_folder_ = ::GetEnvironmentVariableA(drive_variable_.c_str(), drive_folder_,
                                                  MAX_PATH) != 0;
  }
  ~CurrentFolderGuard() {
    ::SetCurrentDirectoryA(folder_);
    ::SetEnvironmentVariableA(drive_variable_.c_str(), had_drive_folder_ ? drive_folder_ : nullptr);
  }
  CurrentFolderGuard(const CurrentFolderGuard&) = delete;
  CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

 private:
  std::string drive_variable_;
  char folder_[MAX_PATH] = {};
  char drive_folder_[MAX_PATH] = {};
  bool had_drive_folder_ = false;
};

struct MatchCase {
  const char* label;
  std::string pattern;
  std::optional<std::string> expected;
};

std::string WithSlashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

TEST(ProcessEnvironmentWinTest, FindFirstMatchGivesTheMatchsFullPath) {
  ScratchFolder scratch;
  FileSystem& files = OperatingSystemFiles();
  ASSERT_TRUE(files.CreateFolder(scratch.Path("dl folder")));
  ASSERT_TRUE(files.CreateFolder(scratch.Path("elsewhere")));
  WriteText(scratch.Native("update.dat"), "u");
  WriteText(scratch.Native("dl folder\\my update.dat"), "m");
  const std::string root = scratch.Path();
  ASSERT_GE(root.size(), 3u);
  ASSERT_EQ(root[1], ':');
  const std::string drive = root.substr(0, 2);

  const CurrentFolderGuard guard("=" + drive);
  // The process works elsewhere, on another drive: only a path resolved as
  // the system resolved the pattern names the right file.
  ASSERT_TRUE(::SetEnvironmentVariableA(("=" + drive).c_str(), root.c_str()));
  ASSERT_TRUE(::SetCurrentDirectoryA(drive[0] == 'Z' || drive[0] == 'z' ? "C:\\" : "Z:\\"));

  Win32ProcessEnvironment environment;
  const MatchCase cases[] = {
      {"absolute", scratch.Path("update.dat"), scratch.Path("update.dat")},
      {"with spaces", scratch.Path("dl folder\\my update.dat"),
       scratch.Path("dl folder\\my update.dat")},
      {"slash separated", WithSlashes(scratch.Path("dl folder\\my update.dat")),
       scratch.Path("dl folder\\my update.dat")},
      {"drive relative", drive + "update.dat", scratch.Path("update.dat")},
      {"drive relative below", drive + "dl folder/my*.dat", scratch.Path("dl folder\\my update.dat")},
      {"wildcard", scratch.Path("dl folder\\*.dat"), scratch.Path("dl folder\\my update.dat")},
      {"wildcard takes the name found", scratch.Path("UPD?TE.*"), scratch.Path("update.dat")},
      {"no match", scratch.Path("missing.dat"), std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const MatchCase& match : cases) {
    SCOPED_TRACE(match.label);
    EXPECT_EQ(environment.FindFirstMatch(match.pattern), match.expected);
  }

  // Relative to the process's own current folder, with and without a folder
  // part, as a quoted argument arrives.
  ASSERT_TRUE(environment.SetCurrentFolder(scratch.Path("elsewhere")));
  EXPECT_EQ(environment.FindFirstMatch("..\\dl folder\\my update.dat"),
            scratch.Path("dl folder\\my update.dat"));
  ASSERT_TRUE(environment.SetCurrentFolder(root));
  EXPECT_EQ(environment.FindFirstMatch("update.dat"), scratch.Path("update.dat"));
  EXPECT_EQ(environment.FindFirstMatch("dl folder/my update.dat"),
            scratch.Path("dl folder\\my update.dat"));
}

TEST(ProcessEnvironmentWinTest, OnlyOneCopyClaimsTheInstanceAndItIsFreedOnExit) {
  const std::string name = "Quintarel test instance " + std::to_string(::GetCurrentProcessId());
  auto first = std::make_unique<Win32ProcessEnvironment>();
  Win32ProcessEnvironment second;
  EXPECT_TRUE(first->ClaimInstance(name));
  EXPECT_FALSE(second.ClaimInstance(name));
  first.reset();
  EXPECT_TRUE(second.ClaimInstance(name));
}

}  // namespace
}  // namespace quintarel
