#include "package/path.h"

#include <gtest/gtest.h>

#include "package/text.h"

namespace quintarel {
namespace {

TEST(Path, SplitsJoinsAndEnds) {
  struct Case {
    std::string path, folder, file, trailing;
    bool absolute;
  };
  const Case cases[] = {
      {"C:\\App\\run.exe", "C:\\App", "run.exe", "C:\\App\\run.exe\\", true},
      {"C:\\", "C:", "", "C:\\", true},
      {"C:update.dat", "", "C:update.dat", "C:update.dat\\", true},
      {"run.exe", "", "run.exe", "run.exe\\", false},
      {"\\\\server\\share", "\\\\server", "share", "\\\\server\\share\\", true},
      {"sub/a.txt", "", "sub/a.txt", "sub/a.txt\\", false},
      {"", "", "", "\\", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(FileNameOf(c.path), c.file) << c.path;
    EXPECT_EQ(WithTrailingSeparator(c.path), c.trailing) << c.path;
    EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << c.path;
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
