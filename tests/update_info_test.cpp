#include "package/update_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "package/stream.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/scratch_folder.h"

namespace quintarel {
namespace {

using namespace std::string_literals;

constexpr std::string_view kHead = "[Quintarel Corporation UpdateInfo]\nformat=0\n";

MemoryStream StreamOf(std::string_view text) {
  return MemoryStream(std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool LoadText(UpdateInfo& info, std::string_view text) {
  MemoryStream stream = StreamOf(text);
  return info.Load(stream);
}

std::string Value(UpdateInfo& info, std::string_view section, std::string_view key) {
  std::string value = "unset";
  info.GetValue(section, key, "default", &value);
  return value;
}

// A stream that hands out its bytes a few at a time, as a file may.
class TrickleStream final : public Stream {
 public:
  explicit TrickleStream(std::string bytes) : bytes_(std::move(bytes)) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    const std::size_t n = std::min({count, std::size_t{7}, bytes_.size() - position_});
    std::copy_n(bytes_.data() + position_, n, static_cast<char*>(buffer));
    position_ += n;
    return n;
  }
  void Write(const void*, std::size_t) override {}
  std::uint64_t Seek(std::int64_t, SeekOrigin) override { return position_; }
  std::uint64_t GetLength() override { return bytes_.size() + extra_length_; }
  void SetLength(std::uint64_t) override {}
  void Close() override {}
  // Makes the stream claim more bytes than it holds.
  void Overstate(std::uint64_t extra) { extra_length_ = extra; }

 private:
  std::string bytes_;
  std::size_t position_ = 0;
  std::uint64_t extra_length_ = 0;
};

struct LoadCase {
  const char* name;
  std::string script;
  bool loads;
};

class LoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadTest, ChecksSignatureAndFormat) {
  UpdateInfo info(false);
  EXPECT_EQ(LoadText(info, GetParam().script), GetParam().loads);
}

const std::string kSignature = "[Quintarel Corporation UpdateInfo]";

INSTANTIATE_TEST_SUITE_P(
    Scripts, LoadTest,
    ::testing::Values(
        LoadCase{"Minimal", kSignature + "\nformat=0", true},
        LoadCase{"CrLf", kSignature + "\r\nformat=0\r\n", true},
        LoadCase{"ByteOrderMark", "\xEF\xBB\xBF" + kSignature + "\nformat=0\n", false},
        LoadCase{"BlankLineFirst", "\n" + kSignature + "\nformat=0\n", false},
        LoadCase{"SpaceFirst", " " + kSignature + "\nformat=0\n", false},
        LoadCase{"SignatureCase", "[quintarel corporation updateinfo]\nformat=0\n", false},
        LoadCase{"TooShort", "[Quintarel Corporation UpdateInf", false},
        LoadCase{"Empty", "", false},
        LoadCase{"SpacesAroundEquals", kSignature + "\nformat = 0\n", true},
        LoadCase{"KeyCase", kSignature + "\nFORMAT=0\n", true},
        LoadCase{"FormatOne", kSignature + "\nformat=1\n", false},
        LoadCase{"FormatNotNumber", kSignature + "\nformat=zero\n", false},
        LoadCase{"FormatMissing", kSignature + "\nversion=0\n", false},
        LoadCase{"FormatFollowedByText", kSignature + "\nformat=0 beta\n", true},
        LoadCase{"FormatSigned", kSignature + "\nformat=-0\n", true},
        LoadCase{"FormatLeadingZeros", kSignature + "\nformat=000\n", true},
        LoadCase{"FormatHugeNumber", kSignature + "\nformat=99999999999999999999999\n", false},
        LoadCase{"FormatSignAlone", kSignature + "\nformat=-\n", false},
        LoadCase{"FormatOnNextLine", kSignature + "\nformat=\n\n0\n", true},
        LoadCase{"FormatIndented", kSignature + "\n format=0\n", false},
        LoadCase{"FormatCommented", kSignature + "\n;format=0\n", false},
        LoadCase{"FormatInLaterSection", kSignature + "\n[other]\nformat=0\n", false},
        LoadCase{"FormatAfterNul", kSignature + "\nformat=\0"s + "0\n", false},
        LoadCase{"TextAfterSignature", kSignature + " v2\nformat=0\n", true}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return info.param.name; });

TEST(UpdateInfoLoad, ReadsStreamsThatDeliverInPieces) {
  UpdateInfo info(false);
  TrickleStream stream(std::string(kHead) + "[strings]\ntitle=Pieces\n");
  ASSERT_TRUE(info.Load(stream));
  EXPECT_EQ(Value(info, "strings", "title"), "Pieces");
}

TEST(UpdateInfoLoad, RejectsStreamShorterThanItsLength) {
  UpdateInfo info(false);
  TrickleStream stream{std::string(kHead)};
  stream.Overstate(1);
  EXPECT_FALSE(info.Load(stream));
}

TEST(UpdateInfoLoad, ReadsFromTheCurrentPosition) {
  UpdateInfo info(false);
  MemoryStream stream = StreamOf(kHead);
  stream.Seek(1, SeekOrigin::kBegin);
  EXPECT_FALSE(info.Load(stream));
}

TEST(UpdateInfoLoad, FailedLoadDropsTheEarlierScript) {
  UpdateInfo info(false);
  ASSERT_TRUE(LoadText(info, std::string(kHead) + "[strings]\ntitle=Old\n"));
  ASSERT_FALSE(LoadText(info, "[strings]\ntitle=New\n"));
  EXPECT_EQ(Value(info, "strings", "title"), "default");
}

struct ValueCase {
  const char* name;
  std::string body;  // follows the signature and format lines
  std::string section;
  std::string key;
  bool found;
  std::string value;
};

class GetValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(GetValueTest, FindsValue) {
  const ValueCase& c = GetParam();
  UpdateInfo info(false);
  ASSERT_TRUE(LoadText(info, std::string(kHead) + c.body));
  std::string value;
  EXPECT_EQ(info.GetValue(c.section, c.key, "default", &value), c.found);
  EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, GetValueTest,
    ::testing::Values(
        ValueCase{"Plain", "[strings]\ntitle=Example\n", "strings", "title", true, "Example"},
        ValueCase{"NamesIgnoreCase", "[Strings]\nTITLE=Example\n", "STRINGS", "title", true, "Example"},
        ValueCase{"HeaderNameIgnoresCase", "", "quintarel corporation updateinfo", "format", true, "0"},
        ValueCase{"CaseFoldingIsAsciiOnly", "[stra\xC4]\nk=v\n", "stra\xE4", "k", false, "default"},
        ValueCase{"AtEndWithoutNewline", "[strings]\ntitle=Example", "strings", "title", true, "Example"},
        ValueCase{"LeadingSpacesSkipped", "[strings]\ntitle=  \tExample\n", "strings", "title", true,
                  "Example"},
        ValueCase{"TrailingSpacesKept", "[strings]\ntitle=Example  \n", "strings", "title", true, "Example  "},
        ValueCase{"SpacesBeforeEquals", "[strings]\ntitle \t=Example\n", "strings", "title", true, "Example"},
        ValueCase{"IndentedKeyNeverFound", "[strings]\n title=Example\n", "strings", "title", false,
                  "default"},
        ValueCase{"ValueFromSecondEquals", "[strings]\ntitle=a=b\n", "strings", "title", true, "a=b"},
        ValueCase{"CommentAboveKey", "[strings]\n;title=Commented\ntitle=Real\n", "strings", "title", true,
                  "Real"},
        ValueCase{"CommentedKeyOnly", "[strings]\n;title=Commented\n", "strings", "title", false, "default"},
        // The whole text before "=" is the key asked for, yet the line is a comment.
        ValueCase{"CommentLineMatchingTheKey", "[strings]\n;title=Commented\n", "strings", ";title", false,
                  "default"},
        ValueCase{"LinesWithoutEqualsSkipped", "[strings]\nsome text\n\ntitle=Real\n", "strings", "title",
                  true, "Real"},
        ValueCase{"FirstOfTwoKeys", "[strings]\ntitle=First\ntitle=Second\n", "strings", "title", true,
                  "First"},
        ValueCase{"FirstOfTwoSections", "[strings]\nappname=A\n[strings]\ntitle=Second\n", "strings", "title",
                  false, "default"},
        ValueCase{"KeyInNextSection", "[strings]\n[other]\ntitle=Other\n", "strings", "title", false,
                  "default"},
        ValueCase{"EmptyValueTakesNextLine", "[strings]\nappname=\n\n  next line\n", "strings", "appname", true,
                  "next line"},
        ValueCase{"EmptyValueTakesNextHeader", "[strings]\nappname=\n[hint]\nexe,a.exe\n", "strings",
                  "appname", true, "[hint]"},
        ValueCase{"EmptyValueAtEnd", "[strings]\nappname= \r\n\t\n", "strings", "appname", false, "default"},
        ValueCase{"SpacesInsideBrackets", "[ strings ]\ntitle=Spaced\n", " strings ", "title", true, "Spaced"},
        ValueCase{"SpacedHeaderIsAnotherName", "[ strings ]\ntitle=Spaced\n", "strings", "title", false,
                  "default"},
        ValueCase{"HeaderWithoutBracket", "[strings\ntitle=Open\n", "strings", "title", true, "Open"},
        ValueCase{"TextAfterBracket", "[strings] trailing\ntitle=Cut\n", "strings", "title", true, "Cut"},
        ValueCase{"MissingSection", "[strings]\ntitle=A\n", "other", "title", false, "default"},
        ValueCase{"CrDroppedInValue", "[strings]\ntitle=Ex\ramp\rle\r\n", "strings", "title", true, "Example"},
        ValueCase{"CrDroppedInKey", "[strings]\nti\rtle=Example\n", "strings", "title", true, "Example"},
        ValueCase{"CrBeforeHeader", "\r[strings]\ntitle=Example\n", "strings", "title", true, "Example"},
        ValueCase{"NulEndsValue", "[strings]\ntitle=Ex\0ample\n"s, "strings", "title", true, "Ex"},
        ValueCase{"NulHidesEquals", "[strings]\ntitle\0=Example\n"s, "strings", "title", false, "default"},
        ValueCase{"NulEndsHeader", "[str\0ings]\ntitle=Example\n"s, "str", "title", true, "Example"}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return info.param.name; });

TEST(UpdateInfoGetValue, CutsValueAndDefaultToCapacity) {
  UpdateInfo info(false);
  ASSERT_TRUE(LoadText(info, std::string(kHead) + "[strings]\ntitle=" + std::string(1100, 'v') + "\nnext=ok\n"));
  std::string value;
  EXPECT_TRUE(info.GetValue("strings", "title", "", &value));
  EXPECT_EQ(value, std::string(1023, 'v'));
  // The rest of the long line was consumed: reading on starts at the next one.
  ASSERT_TRUE(info.ReadLine(UpdateInfo::kValueCapacity, &value));
  EXPECT_EQ(value, "next=ok");

  EXPECT_TRUE(info.GetValue("strings", "title", "", &value, 5));
  EXPECT_EQ(value, "vvvv");
  EXPECT_FALSE(info.GetValue("strings", "missing", "abcdefgh", &value, 5));
  EXPECT_EQ(value, "abcd");
  EXPECT_FALSE(info.GetValue("strings", "missing", std::string(2000, 'd'), &value));
  EXPECT_EQ(value.size(), 1023u);
}

TEST(UpdateInfoGetValue, LongLinesMatchOnTheirFirst511Bytes) {
  const std::string long_name(600, 'n');
  const std::string kept_name(510, 'n');  // 511 bytes kept, less the "["
  const std::string long_key(520, 'k');
  UpdateInfo info(false);
  ASSERT_TRUE(LoadText(info, std::string(kHead) + "[" + long_name + "]\nkey=found\n[keys]\n" + long_key +
                                 "=hidden\n" + std::string(505, 'p') + "  =seen\n"));
  EXPECT_EQ(Value(info, kept_name, "key"), "found");
  EXPECT_EQ(Value(info, long_name, "key"), "default");
  EXPECT_EQ(Value(info, "keys", long_key), "default");
  EXPECT_EQ(Value(info, "keys", std::string(505, 'p')), "seen");
}

TEST(UpdateInfoGetLine, ReadsListsToTheNextHeaderOrTheEnd) {
  UpdateInfo info(false);
  ASSERT_TRUE(LoadText(info, std::string(kHead) +
                                 "[list]\r\nfirst\r\n\r\n;comment\r\n  spaced  \r\n[empty]\n[last]\nonly\nend"));
  std::vector<std::string> lines;
  std::string line;
  for (bool more = info.GetLine("list", &line); more; more = info.GetLine(&line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"first", "", ";comment", "  spaced  "}));

  line = "untouched";
  EXPECT_FALSE(info.GetLine("empty", &line));
  EXPECT_FALSE(info.GetLine("missing", &line));
  EXPECT_FALSE(info.GetLine(&line));
  EXPECT_EQ(line, "untouched");

  lines.clear();
  for (bool more = info.GetLine("last", &line); more; more = info.GetLine(&line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"only", "end"}));
}

TEST(UpdateInfoGetLine, LongListLineIsCutAndTheNextReadsCleanly) {
  UpdateInfo info(false);
  ASSERT_TRUE(LoadText(info, std::string(kHead) + "[list]\n" + std::string(1100, 'x') + "\nsecond\n"));
  std::string line;
  ASSERT_TRUE(info.GetLine("list", &line));
  EXPECT_EQ(line, std::string(1023, 'x'));
  ASSERT_TRUE(info.GetLine(&line));
  EXPECT_EQ(line, "second");
}

TEST(UpdateInfoReadLine, KeepsCapacityLessOneAndLeavesOutputAtEnd) {
  UpdateInfo info(false);
  ASSERT_TRUE(LoadText(info, std::string(kHead) + "\nabcdef"));
  ASSERT_TRUE(info.FindSection("Quintarel Corporation UpdateInfo"));
  std::string line;
  ASSERT_TRUE(info.ReadLine(4, &line));
  EXPECT_EQ(line, "for");
  ASSERT_TRUE(info.ReadLine(4, &line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(info.ReadLine(1, &line));
  EXPECT_EQ(line, "");
  line = "untouched";
  EXPECT_FALSE(info.ReadLine(4, &line));
  EXPECT_EQ(line, "untouched");
}

constexpr std::string_view kJapaneseScript =
    "[Quintarel Corporation UpdateInfo]\nformat=0\n"
    "[japanese]\nstrings=strings_j\nhint=hint_j  \nlicense=\n[license_j]\n"
    "[strings]\ntitle=English\n"
    "[strings_j]\ntitle=Japanese\n"
    "[hint]\nexe,english.exe\n"
    "[license]\nenglish.txt\n"
    "[license_j]\njapanese.txt\n";

TEST(UpdateInfoJapanese, RedirectsSectionsOnlyWithTheFlag) {
  UpdateInfo english(false);
  UpdateInfo japanese(true);
  ASSERT_TRUE(LoadText(english, kJapaneseScript));
  ASSERT_TRUE(LoadText(japanese, kJapaneseScript));

  EXPECT_EQ(english.MapSection("strings"), "strings");
  EXPECT_EQ(japanese.MapSection("strings"), "strings_j");
  EXPECT_EQ(japanese.MapSection("STRINGS"), "strings_j");
  EXPECT_EQ(japanese.MapSection("copyfiles"), "copyfiles");
  EXPECT_EQ(japanese.MapSection("japanese"), "japanese");
  // Trailing spaces are part of the replacement, which then names nothing.
  EXPECT_EQ(japanese.MapSection("hint"), "hint_j  ");
  // The value skip reaches the next line even when it is a header.
  EXPECT_EQ(japanese.MapSection("license"), "[license_j]");

  EXPECT_EQ(Value(english, "strings", "title"), "English");
  EXPECT_EQ(Value(japanese, "strings", "title"), "Japanese");
  EXPECT_EQ(Value(japanese, "japanese", "strings"), "strings_j");

  std::string line;
  EXPECT_TRUE(english.GetLine("hint", &line));
  EXPECT_FALSE(japanese.GetLine("hint", &line));
  ASSERT_TRUE(english.GetLine("license", &line));
  EXPECT_EQ(line, "english.txt");
  EXPECT_FALSE(japanese.GetLine("license", &line));
}

TEST(UpdateInfoLoadScriptFile, LoadsAFileAndFailsSilentlyWhenMissing) {
  testing::ScratchFolder folder;
  testing::WriteText(folder.Native("update.txt"), std::string(kHead) + "[strings]\ntitle=From file\n");
  UpdateInfo info(true);
  EXPECT_TRUE(info.LoadScriptFile(OperatingSystemFiles(), folder.Path("update.txt")));
  EXPECT_EQ(Value(info, "strings", "title"), "From file");
  EXPECT_FALSE(info.LoadScriptFile(OperatingSystemFiles(), folder.Path("missing.txt")));
  EXPECT_FALSE(info.LoadScriptFile(OperatingSystemFiles(), folder.Path()));
}

TEST(UpdateInfoLoadScriptFile, ReadErrorGivesFalse) {
  testing::MemoryFileSystem files;
  files.AddFile("C:\\update.txt", std::string(kHead));
  files.set_read_budget(10);
  UpdateInfo info(true);
  EXPECT_FALSE(info.LoadScriptFile(files, "C:\\update.txt"));
}

// Every lookup over arbitrary bytes, NUL and CR included, stays in bounds
// (the sanitizer builds check) and keeps the reader's promises.
TEST(UpdateInfoRobustness, ArbitraryBytesAreReadSafely) {
  std::mt19937 random(20240611);
  const std::string alphabet = "[]=;\r\n\t \0ab"s;
  for (int round = 0; round < 300; ++round) {
    std::string script(kHead);
    const std::size_t size = random() % 3000;
    for (std::size_t i = 0; i < size; ++i) {
      script += (random() % 4 == 0) ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
    }
    for (bool japanese : {false, true}) {
      UpdateInfo info(japanese);
      ASSERT_TRUE(LoadText(info, script));
      std::string value;
      info.GetValue("a", "b", "", &value);
      EXPECT_LT(value.size(), UpdateInfo::kValueCapacity);
      EXPECT_EQ(value.find('\0'), std::string::npos);
      EXPECT_EQ(value.find('\r'), std::string::npos);
      int lines = 0;
      for (bool more = info.GetLine("ab", &value); more; more = info.GetLine(&value)) ++lines;
      EXPECT_LE(lines, static_cast<int>(script.size()));
    }
  }
}

TEST(UpdateInfoRobustness, LoadsAndQueriesAHundredMegabyteScript) {
  constexpr std::size_t kSize = 100u << 20;
  const std::string filler_line = "filler=" + std::string(300, 'f') + "\r with a CR and a NUL \0 inside\n"s;
  std::string script(kHead);
  script.reserve(kSize + 1024);
  script += "[filler]\n";
  while (script.size() < kSize) script += filler_line;
  script += "[last]\nkey=at the end";

  MemoryStream stream = StreamOf(script);
  script = std::string();
  UpdateInfo info(true);
  ASSERT_TRUE(info.Load(stream));
  stream.SetLength(0);
  EXPECT_EQ(Value(info, "last", "key"), "at the end");
  EXPECT_EQ(Value(info, "filler", "missing"), "default");
}

}  // namespace
}  // namespace quintarel
