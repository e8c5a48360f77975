#include "package/path.h"

#include <gtest/gtest.h>

#include "package/text.h"

namespace quintarel {
namespace {

TEST(Path, SplitsJoinsAndEnds) {
  struct Case {
    std::string path, folder, file, trailing;
    bool absolute;
    std::size_t last_folder_separator;  // "/" counted too
  };
  constexpr std::size_t kNone = std::string::npos;
  const Case cases[] = {
      {"C:\\App\\run.exe", "C:\\App", "run.exe", "C:\\App\\run.exe\\", true, 6},
      {"C:\\", "C:", "", "C:\\", true, 2},
      {"C:update.dat", "", "C:update.dat", "C:update.dat\\", true, kNone},
      {"run.exe", "", "run.exe", "run.exe\\", false, kNone},
      {"\\\\server\\share", "\\\\server", "share", "\\\\server\\share\\", true, 8},
      {"sub/a.txt", "", "sub/a.txt", "sub/a.txt\\", false, 3},
      {"a\\b/c\\d", "a\\b/c", "d", "a\\b/c\\d\\", false, 5},
      {"a/b\\c/d", "a/b", "c/d", "a/b\\c/d\\", false, 5},
      {"", "", "", "\\", false, kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(FileNameOf(c.path), c.file) << c.path;
    EXPECT_EQ(WithTrailingSeparator(c.path), c.trailing) << c.path;
    EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << c.path;
    EXPECT_EQ(FindLastFolderSeparator(c.path), c.last_folder_separator) << c.path;
  }
}

TEST(Path, WithoutTrailingSeparatorDropsOneOnly) {
  EXPECT_EQ(WithoutTrailingSeparator("C:\\"), "C:");
  EXPECT_EQ(WithoutTrailingSeparator("C:\\App\\\\"), "C:\\App\\");
  EXPECT_EQ(WithoutTrailingSeparator("C:\\App"), "C:\\App");
  EXPECT_EQ(WithoutTrailingSeparator(""), "");
}

TEST(Path, JoinKeepsAbsolutePathsAndAddsOneSeparator) {
  EXPECT_EQ(JoinPath("C:\\build", "a.exe"), "C:\\build\\a.exe");
  EXPECT_EQ(JoinPath("C:\\build\\", "sub\\a.exe"), "C:\\build\\sub\\a.exe");
  EXPECT_EQ(JoinPath("src/", "a.txt"), "src/a.txt");
  EXPECT_EQ(JoinPath("", "a.exe"), "a.exe");
  EXPECT_EQ(JoinPath("C:\\build", "D:\\other\\a.exe"), "D:\\other\\a.exe");
  EXPECT_EQ(JoinPath("C:\\build", "\\root\\a.exe"), "\\root\\a.exe");
  EXPECT_EQ(JoinPath("/home/x", "/abs/a.exe"), "/abs/a.exe");
}

TEST(FillPlaceholders, FillsEachPlaceholderInTurn) {
  EXPECT_EQ(FillPlaceholders("The file %s was not found.\r\nInstall %s.", {"a.exe", "App"}),
            "The file a.exe was not found.\r\nInstall App.");
  EXPECT_EQ(FillPlaceholders("%s%s", {"a"}), "a");
  EXPECT_EQ(FillPlaceholders("no mark, 100%", {"x"}), "no mark, 100%");
  EXPECT_EQ(FillPlaceholders("%d %s", {"%s"}), "%d %s");
  EXPECT_EQ(FillPlaceholders("", {}), "");
}

}  // namespace
}  // namespace quintarel
