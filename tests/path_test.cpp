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
    std::string typed_folder, typed_name;  // split there, a root kept whole
  };
  constexpr std::size_t kNone = std::string::npos;
  const Case cases[] = {
      {"C:\\App\\run.exe", "C:\\App", "run.exe", "C:\\App\\run.exe\\", true, 6, "C:\\App", "run.exe"},
      {"C:\\", "C:", "", "C:\\", true, 2, "C:\\", ""},
      {"C:\\run.exe", "C:", "run.exe", "C:\\run.exe\\", true, 2, "C:\\", "run.exe"},
      {"/run.exe", "", "/run.exe", "/run.exe\\", true, 0, "/", "run.exe"},
      {"C:update.dat", "", "C:update.dat", "C:update.dat\\", true, kNone, "", "C:update.dat"},
      {"run.exe", "", "run.exe", "run.exe\\", false, kNone, "", "run.exe"},
      {"\\\\server\\share", "\\\\server", "share", "\\\\server\\share\\", true, 8, "\\\\server", "share"},
      {"sub/a.txt", "", "sub/a.txt", "sub/a.txt\\", false, 3, "sub", "a.txt"},
      {"a\\b/c\\d", "a\\b/c", "d", "a\\b/c\\d\\", false, 5, "a\\b/c", "d"},
      {"a/b\\c/d", "a/b", "c/d", "a/b\\c/d\\", false, 5, "a/b\\c", "d"},
      {"", "", "", "\\", false, kNone, "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(FileNameOf(c.path), c.file) << c.path;
    EXPECT_EQ(WithTrailingSeparator(c.path), c.trailing) << c.path;
    EXPECT_EQ(IsAbsolutePath(c.path), c.absolute) << c.path;
    EXPECT_EQ(FindLastFolderSeparator(c.path), c.last_folder_separator) << c.path;
    EXPECT_EQ(TypedFolderOf(c.path), c.typed_folder) << c.path;
    EXPECT_EQ(TypedFileNameOf(c.path), c.typed_name) << c.path;
  }
}

TEST(Path, TypedFolderPathUsesBackslashesAndKeepsRoots) {
  const std::pair<const char*, const char*> folders[] = {
      {"out", "out"},   {"out/", "out"},   {"/tmp/x//", "\\tmp\\x"}, {"/", "\\"},
      {"C:\\", "C:\\"}, {"C:/out/", "C:\\out"}, {".", "."},        {"C:", "C:"},
  };
  for (const auto& [given, expected] : folders) EXPECT_EQ(TypedFolderPath(given), expected) << given;
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
  EXPECT_EQ(JoinPath("out", WithBackslashes("docs/sub/a.txt")), "out\\docs\\sub\\a.txt");
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
