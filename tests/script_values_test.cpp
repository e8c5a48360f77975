#include "package/script_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "package/stream.h"

namespace quintarel {

bool operator==(const CopyListLine& a, const CopyListLine& b) {
  return a.destination == b.destination && a.entry == b.entry;
}
bool operator==(const ShortcutTarget& a, const ShortcutTarget& b) {
  return a.new_path == b.new_path && a.old_path == b.old_path;
}
bool operator==(const VersionCheck& a, const VersionCheck& b) {
  return a.file == b.file && a.minimum == b.minimum && a.newest == b.newest;
}
void PrintTo(const CopyListLine& f, std::ostream* os) { *os << '{' << f.destination << '|' << f.entry << '}'; }
void PrintTo(const ShortcutTarget& t, std::ostream* os) { *os << '{' << t.new_path << '|' << t.old_path << '}'; }
void PrintTo(const VersionCheck& v, std::ostream* os) {
  *os << '{' << v.file << '|' << v.minimum << '|' << v.newest << '}';
}

namespace {

UpdateInfo Loaded(std::string_view body, bool japanese = false) {
  const std::string script = "[Quintarel Corporation UpdateInfo]\r\nformat=0\r\n" + std::string(body);
  MemoryStream stream(std::vector<std::uint8_t>(script.begin(), script.end()));
  UpdateInfo info(japanese);
  EXPECT_TRUE(info.Load(stream));
  return info;
}

constexpr std::string_view kPairLines =
    "a.exe=a.exe\r\n"
    " sub\\b.dll \t=  b.dll \r\n"
    ";c.exe=c.exe\r\n"
    "ab\r\n"
    "= d\r\n"
    "lonely.txt \r\n"
    "x==y\r\n"
    "\r\n"
    "   \r\n";

TEST(ScriptValues, CopyListFiltersSplitsAndTrims) {
  UpdateInfo info = Loaded("[copyfiles]\r\n" + std::string(kPairLines) + "[filelist]\r\nz=z\r\n");
  EXPECT_EQ(ReadCopyList(info), (std::vector<CopyListLine>{{"a.exe", "a.exe"},
                                                       {"sub\\b.dll", "b.dll"},
                                                       {"", "d"},
                                                       {"", "lonely.txt"},
                                                       {"x", "=y"},
                                                       {"", ""}}));
}

TEST(ScriptValues, ShortcutTargetsDropLinesWithoutEquals) {
  UpdateInfo info = Loaded("[shortcut target]\r\n" + std::string(kPairLines));
  EXPECT_EQ(ReadShortcutTargets(info),
            (std::vector<ShortcutTarget>{{"a.exe", "a.exe"}, {"sub\\b.dll", "b.dll"}, {"", "d"}, {"x", "=y"}}));
}

TEST(ScriptValues, MissingSectionsGiveDefaults) {
  UpdateInfo info = Loaded("[strings]\r\n[copyfiles]\r\n[license]\r\n[version check]\r\n");
  EXPECT_TRUE(ReadCopyList(info).empty());
  EXPECT_TRUE(ReadShortcutTargets(info).empty());
  EXPECT_EQ(ReadShortcutKeyword(info), "");
  EXPECT_TRUE(ReadHintList(info).empty());
  EXPECT_EQ(ReadVersionCheck(info), std::nullopt);
  EXPECT_EQ(ReadLicenseEntry(info), std::nullopt);
  EXPECT_EQ(ReadTitle(info), std::nullopt);
  EXPECT_EQ(ReadApplicationName(info), "");
  EXPECT_EQ(ReadUpgradeText(info), "");
  EXPECT_TRUE(ReadFileList(info).empty());
}

TEST(ScriptValues, ReadsSingleValues) {
  UpdateInfo info = Loaded(
      "[strings]\r\ntitle=Example Upgrade \r\nappname=Example\r\nupgrade=Upgrades Example.\r\n"
      "[shortcut keyword]\r\n Example \r\nignored\r\n"
      "[license]\r\n license.txt \r\n"
      "[version check]\r\nexample.exe / 1.00 - 1.61 \r\nother/1-2\r\n");
  EXPECT_EQ(ReadTitle(info), "Example Upgrade ");
  EXPECT_EQ(ReadApplicationName(info), "Example");
  EXPECT_EQ(ReadUpgradeText(info), "Upgrades Example.");
  EXPECT_EQ(ReadShortcutKeyword(info), " Example ");
  EXPECT_EQ(ReadLicenseEntry(info), " license.txt ");
  EXPECT_EQ(ReadVersionCheck(info), (VersionCheck{"example.exe", "1.00", "1.61"}));
}

TEST(ScriptValues, EmptyLicenseLineStillNamesAnEntry) {
  UpdateInfo info = Loaded("[license]\r\n\r\n");
  EXPECT_EQ(ReadLicenseEntry(info), "");
}

TEST(ScriptValues, HintsAreKeptWholeAndTheLastExeHintNamesTheTarget) {
  UpdateInfo info = Loaded("[hint]\r\nreg,Example\r\nEXE, first.exe\r\n;comment\r\n\r\nexe,second.exe \r\nx\r\n");
  const std::vector<std::string> hints = ReadHintList(info);
  EXPECT_EQ(hints, (std::vector<std::string>{"reg,Example", "EXE, first.exe", ";comment", "", "exe,second.exe ",
                                             "x"}));
  EXPECT_EQ(FindTargetFileName(hints), "second.exe ");
  EXPECT_EQ(FindTargetFileName({"reg,a", "Exe, a.exe", "ext,txt"}), " a.exe");
  EXPECT_EQ(FindTargetFileName({"exe", "exe.", "reg,exe,a"}), "");
  EXPECT_EQ(FindTargetFileName({"exe,"}), "");
}

struct VersionCase {
  const char* name;
  std::string line;
  std::optional<VersionCheck> check;
};

class SplitVersionCheckTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(SplitVersionCheckTest, Splits) { EXPECT_EQ(SplitVersionCheck(GetParam().line), GetParam().check); }

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitVersionCheckTest,
    ::testing::Values(VersionCase{"Plain", "example.exe/1.00-1.61", VersionCheck{"example.exe", "1.00", "1.61"}},
                    VersionCase{"Spaces", " bin\\a.exe \t/ 1.00\t- 1.61  ", VersionCheck{"bin\\a.exe", "1.00", "1.61"}},
                    VersionCase{"FirstOfEach", "a/1-2/3-4", VersionCheck{"a", "1", "2/3-4"}},
                    VersionCase{"DashInFileName", "my-app.exe/1.0-2.0", VersionCheck{"my-app.exe", "1.0", "2.0"}},
                    VersionCase{"OnlyDashBeforeSlash", "a-1.0/2.0", std::nullopt},
                    VersionCase{"EmptyParts", "/-", VersionCheck{"", "", ""}},
                    VersionCase{"NoDash", "a.exe/1.00", std::nullopt},
                    VersionCase{"NoSlash", "a.exe 1.00-1.61", std::nullopt},
                    VersionCase{"Empty", "", std::nullopt}),
    [](const ::testing::TestParamInfo<VersionCase>& info) { return info.param.name; });

// Stands in for a double-byte code page in which 0x81 leads a character.
bool LeadByte81(unsigned char byte) { return byte == 0x81; }

TEST(ScriptValues, DoubleByteTrimKeepsTrailBytes) {
  EXPECT_EQ(TrimWhitespaceDoubleByteAware(" a\x81 ", LeadByte81), "a\x81 ");
  EXPECT_EQ(TrimWhitespaceDoubleByteAware(" a\x81 \t ", LeadByte81), "a\x81 ");
  EXPECT_EQ(TrimWhitespaceDoubleByteAware("\x81\x81\x81 ", LeadByte81), "\x81\x81\x81 ");
  EXPECT_EQ(TrimWhitespaceDoubleByteAware("\x81\x81 ", LeadByte81), "\x81\x81");
  EXPECT_EQ(TrimWhitespaceDoubleByteAware("a\x81", LeadByte81), "a\x81");
  EXPECT_EQ(TrimWhitespaceDoubleByteAware(" \t\v\f\r\n", LeadByte81), "");
  EXPECT_EQ(TrimWhitespace(" a\x81 "), "a\x81");
}

TEST(ScriptValues, FileListTakesLinesWholeAndSkipsEmptyOnes) {
  UpdateInfo info = Loaded("[filelist]\r\nlicense.txt\r\n\r\n  spaced name  \r\n;not a comment\r\n" +
                           std::string(1100, 'f') + "\r\n[next]\r\nnot.listed\r\n");
  EXPECT_EQ(ReadFileList(info), (std::vector<std::string>{"license.txt", "  spaced name  ", ";not a comment",
                                                          std::string(1023, 'f')}));
}

TEST(ScriptValues, JapaneseRedirectionAppliesToEveryValue) {
  constexpr std::string_view kBody =
      "[japanese]\r\nstrings=strings_j\r\nfilelist=filelist_j\r\ncopyfiles=copyfiles_j\r\n"
      "[strings]\r\ntitle=English\r\n[strings_j]\r\ntitle=Japanese\r\n"
      "[filelist]\r\nenglish.txt\r\n[filelist_j]\r\njapanese.txt\r\n"
      "[copyfiles]\r\na=english\r\n[copyfiles_j]\r\na=japanese\r\n";
  UpdateInfo english = Loaded(kBody, false);
  UpdateInfo japanese = Loaded(kBody, true);
  EXPECT_EQ(ReadTitle(english), "English");
  EXPECT_EQ(ReadTitle(japanese), "Japanese");
  EXPECT_EQ(ReadFileList(english), (std::vector<std::string>{"english.txt"}));
  EXPECT_EQ(ReadFileList(japanese), (std::vector<std::string>{"japanese.txt"}));
  EXPECT_EQ(ReadCopyList(japanese), (std::vector<CopyListLine>{{"a", "japanese"}}));
}

}  // namespace
}  // namespace quintarel
