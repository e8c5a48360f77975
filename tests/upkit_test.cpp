#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "package/lzss_codec.h"
#include "package/stream.h"
#include "package/update_archive.h"
#include "package/version_threshold.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/scratch_folder.h"
#include "tools/upkit/archive_check.h"
#include "tools/upkit/build_plan.h"
#include "tools/upkit/command_options.h"
#include "tools/upkit/folder_diff.h"
#include "tools/upkit/json.h"
#include "tools/upkit/output_checks.h"
#include "tools/upkit/program_version.h"
#include "tools/upkit/names.h"
#include "tools/upkit/script_check.h"
#include "tools/upkit/script_summary.h"
#include "tools/upkit/time_format.h"

namespace quintarel::upkit {
namespace {

namespace fmt = archive_format;
using namespace std::string_literals;

struct NameCase {
  const char* name;
  bool safe;
};

TEST(UnsafeNameReasonTest, RefusesEveryNameThatLeavesTheFolder) {
  const NameCase cases[] = {
      {"a.txt", true},          {"docs\\a.txt", true},   {"docs/a.txt", true},
      {"a..b\\c", true},        {".hidden", true},       {"a b\\c d.txt", true},
      {"..a\\b..", true},       {"", false},             {"\\x", false},
      {"/x", false},            {"\\\\server\\s", false}, {"C:x", false},
      {"c:\\x", false},         {"docs\\a:stream", false}, {"..", false},
      {"..\\evil", false},      {"../evil", false},      {"a\\..\\..\\b", false},
      {"a/..\\b", false},       {"docs\\..", false},     {".", false},
      {"...\\x", false},        {".. \\x", false},       {"a\\\\b", false},
      {"a\\", false},           {"a/", false},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(UnsafeNameReason(c.name).empty(), c.safe) << "name: " << c.name;
  }
}

TEST(NamesTest, PrintableNameEscapesControlBytesOnly) {
  EXPECT_EQ(PrintableName("docs\\r\xe9sum\xe9.txt"), "docs\\r\xe9sum\xe9.txt");
  EXPECT_EQ(PrintableName(std::string("a\nb\x1b[2J\x7f")), "a\\x0ab\\x1b[2J\\x7f");
}

TEST(BuildPlanTest, CheckListedNamesStopsAtTheFirstNameThatCannotBePacked) {
  struct Case {
    std::vector<std::string> names;
    const char* error;  // a part of the message, or null when the names can be packed
    std::size_t warnings;
  };
  const Case cases[] = {
      {{std::string(259, 'n')}, nullptr, 0},
      {{"ok.txt", std::string(260, 'n')}, "the name is 260 bytes, an entry name holds at most 259", 0},
      {{"..\\evil.txt"}, "part '..' that leaves its folder", 0},
      {{"/etc/passwd"}, "absolute path", 0},
      {{"C:evil.txt"}, "drive letter", 0},
      {{"a.txt", "A.TXT"}, "already packed from filelist line 1 (a.txt) (letter case ignored)", 0},
      {{"Update.inf"}, "the same name as the script, entry 0 (letter case ignored)", 0},
      {{"sub/s.txt", "SUB\\s.txt", "sub\\other.txt"}, nullptr, 1},
      {{"sub\\s.txt", "sub/s.txt", "x/../y"}, "leaves its folder", 1},
  };
  for (const Case& c : cases) {
    std::vector<ListedFile> files;
    for (const std::string& name : c.names) files.push_back({files.size() + 1, name, false});
    const NameCheck check = CheckListedNames("update.inf", "filelist", files);
    if (c.error == nullptr) {
      EXPECT_FALSE(check.error) << c.names[0] << ": " << check.error.value_or("");
    } else {
      EXPECT_NE(check.error.value_or("").find(c.error), std::string::npos)
          << c.names[0] << ": " << check.error.value_or("no error");
    }
    EXPECT_EQ(check.warnings.size(), c.warnings) << c.names[0];
  }
  const NameCheck nul = CheckListedNames("update.inf", "filelist", {{4, "a", true}});
  EXPECT_EQ(nul.error.value_or(""),
            "filelist line 4 (a): the line holds a NUL byte, and the text after it would be dropped");
}

TEST(JsonStringTest, EscapesAndKeepsValidJsonForAnyBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "\"\""},
      {"plain.txt", "\"plain.txt\""},
      {"docs\\a \"b\".txt", "\"docs\\\\a \\\"b\\\".txt\""},
      {std::string("a\0b\n\x1f", 5), "\"a\\u0000b\\u000a\\u001f\""},
      {"\x7f", "\"\x7f\""},
      {"r\xc3\xa9sum\xc3\xa9", "\"r\xc3\xa9sum\xc3\xa9\""},               // valid 2-byte
      {"\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88", "\"\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\""},
      {"\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},                          // valid 4-byte
      {"\x83\x65\x83\x58\x83\x67", "\"\\u0083e\\u0083X\\u0083g\""},          // code page 932
      {"r\xe9sum\xe9", "\"r\\u00e9sum\\u00e9\""},                           // Latin-1
      {"\x80", "\"\\u0080\""},                                              // stray continuation
      {"\xc0\xaf", "\"\\u00c0\\u00af\""},                                   // overlong '/'
      {"\xed\xa0\x80", "\"\\u00ed\\u00a0\\u0080\""},                        // surrogate
      {"\xf4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},             // above U+10FFFF
      {"\xe3\x81", "\"\\u00e3\\u0081\""},                                   // cut short
      {"\xe3\x81\"", "\"\\u00e3\\u0081\\\"\""},                             // cut short by '"'
      {"\xff\xfe", "\"\\u00ff\\u00fe\""},
  };
  for (const auto& [bytes, expected] : cases) {
    EXPECT_EQ(JsonString(bytes), expected) << HexBytes(bytes);
  }
}

TEST(JsonStringTest, HexBytesIsLowercaseAndExact) {
  EXPECT_EQ(HexBytes(""), "");
  EXPECT_EQ(HexBytes(std::string("\x00\x0f\xa0\xff\\", 5)), "000fa0ff5c");
}

TEST(TimeFormatTest, FormatsUtcIncludingBefore1970) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {0, "1970-01-01T00:00:00Z"},
      {1714564800, "2024-05-01T12:00:00Z"},
      {-1, "1969-12-31T23:59:59Z"},
      {951782400, "2000-02-29T00:00:00Z"},
      {4107542400, "2100-03-01T00:00:00Z"},
      {2147483647, "2038-01-19T03:14:07Z"},
      {-2147483648LL, "1901-12-13T20:45:52Z"},
      {253402300799, "9999-12-31T23:59:59Z"},
  };
  for (const auto& [seconds, expected] : cases) EXPECT_EQ(FormatUtcTime(seconds), expected);
  EXPECT_EQ(FormatArchiveTime(0), "-");
  EXPECT_EQ(FormatArchiveTime(1714564800), "2024-05-01T12:00:00Z");
}

TEST(TimeFormatTest, ParseArchiveTimeTakesSigned32BitDecimalsOnly) {
  const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
      {"0", 0},
      {"1714564800", 1714564800},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-1", -1},
      {"0001", 1},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"+5", std::nullopt},
      {" 5", std::nullopt},
      {"5 ", std::nullopt},
      {"1e9", std::nullopt},
      {"12x", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    std::int32_t seconds = 42;
    EXPECT_EQ(ParseArchiveTime(text, &seconds), expected.has_value()) << text;
    EXPECT_EQ(seconds, expected.value_or(42)) << text;
  }
}

// An archive written byte by byte: entry 0 "a.txt" stored as it is, entry 1
// "docs\b.bin" compressed.
class ArchiveBytes {
 public:
  static constexpr std::size_t kEntry0 = fmt::kHeaderSize;
  static constexpr std::size_t kEntry0DataSize = 5;
  static constexpr std::size_t kEntry1 = kEntry0 + fmt::kRecordSize + kEntry0DataSize;
  static constexpr std::uint32_t kEntry1FileSize = 300;

  ArchiveBytes() {
    Append(std::string(fmt::kMagic));
    bytes_.resize(fmt::kMagicFieldSize);
    Append32(0);
    Append32(2);
    AppendRecord("a.txt", kEntry0DataSize, kEntry0DataSize, 0);
    Append("hello");

    std::vector<std::uint8_t> original(kEntry1FileSize);
    for (std::size_t i = 0; i < original.size(); ++i) original[i] = static_cast<std::uint8_t>(i % 7);
    MemoryStream input(original);
    MemoryStream output;
    LzssCodec codec;
    codec.Compress(output, input, nullptr, nullptr);
    stream_size_ = output.size();
    AppendRecord("docs\\b.bin", static_cast<std::uint32_t>(stream_size_), kEntry1FileSize, 1);
    bytes_.insert(bytes_.end(), output.data(), output.data() + output.size());
  }

  std::vector<std::uint8_t>& bytes() { return bytes_; }
  std::size_t stream_size() const { return stream_size_; }
  std::size_t Entry1Data() const { return kEntry1 + fmt::kRecordSize; }

  void Put32(std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }

 private:
  void Append(const std::string& text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
  void Append32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  void AppendRecord(const std::string& name, std::uint32_t stored, std::uint32_t size,
                    std::uint16_t compressed) {
    const std::size_t start = bytes_.size();
    Append(name);
    bytes_.resize(start + fmt::kNameFieldSize);
    Append32(stored);
    Append32(size);
    bytes_.push_back(static_cast<std::uint8_t>(compressed));
    bytes_.push_back(static_cast<std::uint8_t>(compressed >> 8));
    bytes_.push_back(0);  // padding
    bytes_.push_back(0);
    Append32(1714564800);
    Append32(1714564800);
    Append32(1714564800);
  }

  std::vector<std::uint8_t> bytes_;
  std::size_t stream_size_ = 0;
};

TEST(CheckArchiveTest, WellFormedArchivePasses) {
  ArchiveBytes archive;
  const ArchiveReport report = CheckArchive(archive.bytes(), nullptr, nullptr);
  EXPECT_TRUE(report.problems.empty()) << report.problems.front();
  EXPECT_EQ(report.entries, 2u);
  EXPECT_EQ(report.expanded_bytes, ArchiveBytes::kEntry0DataSize + ArchiveBytes::kEntry1FileSize);
}

struct Damage {
  const char* what;
  std::function<void(ArchiveBytes&)> apply;
  std::string expected;  // part of the one problem reported
};

TEST(CheckArchiveTest, ReportsEachDamageAsOneLine) {
  using A = ArchiveBytes;
  const std::string stream_size = std::to_string(A().stream_size());
  const Damage cases[] = {
      {"short header", [](A& a) { a.bytes().resize(10); },
       "header: file is 10 bytes, shorter than the 72-byte header"},
      {"wrong magic", [](A& a) { a.bytes()[0] = 'q'; },
       "header: magic text missing, not an update archive"},
      {"magic padding", [](A& a) { a.bytes()[60] = 1; },
       "header: 1 non-zero bytes after the magic text, written as zero"},
      {"reserved", [](A& a) { a.Put32(fmt::kReservedOffset, 7); },
       "header: reserved field is 7, expected 0"},
      {"count too high", [](A& a) { a.Put32(fmt::kCountOffset, 3); },
       "entry 2: missing, the file ends after 2 of 3 entries"},
      {"record cut short", [](A& a) { a.bytes().resize(A::kEntry1 + 100); },
       "entry 1: record cut short: 100 of 284 bytes present"},
      {"data cut short", [](A& a) { a.bytes().resize(a.Entry1Data() + 10); },
       "entry 1 (docs\\b.bin): data cut short: 10 of " + stream_size + " bytes present"},
      {"name without NUL",
       [](A& a) { std::fill_n(a.bytes().begin() + A::kEntry0, fmt::kNameFieldSize, 'x'); },
       "name has no terminating NUL within 260 bytes"},
      {"byte after name NUL", [](A& a) { a.bytes()[A::kEntry0 + 200] = 'x'; },
       "entry 0 (a.txt): 1 non-zero bytes after the name's NUL, written as zero"},
      {"empty name", [](A& a) { std::fill_n(a.bytes().begin() + A::kEntry0, 5, 0); },
       "entry 0 (): name is empty"},
      {"same name in other case",
       [](A& a) {
         const std::string name = "A.TXT";
         std::fill_n(a.bytes().begin() + A::kEntry1, fmt::kNameFieldSize, 0);
         std::copy(name.begin(), name.end(), a.bytes().begin() + A::kEntry1);
       },
       "entry 1 (A.TXT): same name as entry 0 when letter case is ignored"},
      {"compressed flag 2", [](A& a) { a.bytes()[A::kEntry1 + fmt::kCompressedOffset] = 2; },
       "entry 1 (docs\\b.bin): compressed flag is 2, written as 0 or 1"},
      {"padding", [](A& a) { a.bytes()[A::kEntry1 + fmt::kCompressedOffset + 2] = 1; },
       "entry 1 (docs\\b.bin): padding field is 1, expected 0"},
      {"stored sizes differ", [](A& a) { a.Put32(A::kEntry0 + fmt::kFileSizeOffset, 6); },
       "entry 0 (a.txt): stored uncompressed, but storedSize 5 differs from fileSize 6"},
      {"expands short", [](A& a) { a.Put32(A::kEntry1 + fmt::kFileSizeOffset, 320); },
       "entry 1 (docs\\b.bin): expands to 300 bytes, expected 320"},
      {"expands long", [](A& a) { a.Put32(A::kEntry1 + fmt::kFileSizeOffset, 299); },
       "entry 1 (docs\\b.bin): expands to more than its fileSize of 299 bytes"},
      {"end marker missing",
       [](A& a) {
         a.bytes().resize(a.bytes().size() - 2);
         a.Put32(A::kEntry1 + fmt::kStoredSizeOffset, static_cast<std::uint32_t>(a.stream_size() - 2));
       },
       "before its end marker"},
      {"bytes after end marker",
       [](A& a) {
         a.bytes().insert(a.bytes().end(), 3, 0);
         a.Put32(A::kEntry1 + fmt::kStoredSizeOffset, static_cast<std::uint32_t>(a.stream_size() + 3));
       },
       "entry 1 (docs\\b.bin): 3 stored bytes after the end marker"},
      {"trailing bytes", [](A& a) { a.bytes().push_back(0); },
       "archive: 1 bytes after the last entry (readers ignore them)"},
  };
  for (const Damage& damage : cases) {
    ArchiveBytes archive;
    damage.apply(archive);
    const ArchiveReport report = CheckArchive(archive.bytes(), nullptr, nullptr);
    ASSERT_EQ(report.problems.size(), 1u) << damage.what;
    EXPECT_NE(report.problems[0].find(damage.expected), std::string::npos)
        << damage.what << ": " << report.problems[0];
  }
}

TEST(CheckArchiveTest, ProgressEndsAtTheFileSize) {
  ArchiveBytes archive;
  std::int64_t last = -1;
  CheckArchive(archive.bytes(),
               [](void* context, std::int64_t done) {
                 auto& seen = *static_cast<std::int64_t*>(context);
                 EXPECT_GE(done, seen);
                 seen = done;
                 return true;
               },
               &last);
  EXPECT_EQ(last, static_cast<std::int64_t>(archive.bytes().size()));
}

TEST(ScriptCheckTest, ScriptRejectionNamesTheCause) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "the file is empty"},
      {"\xEF\xBB\xBF[Quintarel Corporation UpdateInfo]\nformat=0\n", "byte-order mark"},
      {"[quintarel corporation updateinfo]\nformat=0\n", "the first line is not exactly"},
      {" [Quintarel Corporation UpdateInfo]\nformat=0\n", "the first line is not exactly"},
      {"[Quintarel Corporation UpdateInfo]\nformat=1\n", "has no \"format\" key with the value 0"},
      {"[Quintarel Corporation UpdateInfo]\n", "has no \"format\" key with the value 0"},
  };
  for (const auto& [bytes, expected] : cases) {
    EXPECT_NE(ScriptRejection(bytes).find(expected), std::string::npos)
        << bytes << ": " << ScriptRejection(bytes);
  }
}

// problem is none when expected is empty, else one that holds expected.
void ExpectProblem(const std::string& problem, const char* expected, const std::string& input) {
  EXPECT_EQ(problem.empty(), *expected == '\0') << input << ": " << problem;
  EXPECT_NE(problem.find(expected), std::string::npos) << input << ": " << problem;
}

TEST(ScriptCheckTest, VersionCheckProblem) {
  const std::pair<const char*, const char*> cases[] = {
      {"app.exe/1.50-1.61", ""},
      {" app.exe / 1.50 - 1.61 ", ""},
      {"app.exe/-1.61", ""},
      {"app.exe/1.50-", ""},
      {"app.exe/1-2", ""},
      {"app.exe/1.5-1.50", ""},
      {"", "empty"},
      {"   ", "empty"},
      {"app.exe", "not of the form file/minimum-newest"},
      {"app.exe/1.50", "not of the form file/minimum-newest"},
      {"app.exe-1.50", "not of the form file/minimum-newest"},
      {"my-app.exe/1.0-2.0", "the first \"-\" comes before the \"/\""},
      {"/1.0-2.0", "no file name"},
      {"app.exe/v1.0-2.0", "minimum version \"v1.0\" is not a number"},
      {"app.exe/1.0-2.0beta", "newest version \"2.0beta\" is not a number"},
      {"app.exe/1.-2.0", "minimum version \"1.\" is not a number"},
      {"app.exe/1.0-.5", "newest version \".5\" is not a number"},
      {"app.exe/2.0-1.99", "minimum version 2.0 is above the newest 1.99"},
      // Numbers too large for any integer compare as the updater reads them.
      {"app.exe/99999999999999999999-1.0", "is above the newest 1.0"},
      {"app.exe/1.0-99999999999999999999", ""},
  };
  for (const auto& [line, expected] : cases) ExpectProblem(VersionCheckProblem(line), expected, line);
}

// An archive packed from files in memory: entry 0 is the script, then the
// named files.
class ScriptArchive {
 public:
  ScriptArchive(const std::string& script, const std::vector<std::string>& names)
      : archive_(files_) {
    files_.AddFile("C:\\update.inf", script);
    archive_.AddFile("update.inf", "C:\\update.inf", nullptr);
    for (const std::string& name : names) {
      files_.AddFile("C:\\" + name, "bytes of " + name);
      archive_.AddFile(name, "C:\\" + name, nullptr);
    }
  }
  UpdateArchive& archive() { return archive_; }

 private:
  testing::MemoryFileSystem files_;
  UpdateArchive archive_;
};

constexpr char kHeader[] = "[Quintarel Corporation UpdateInfo]\nformat=0\n";

struct ScriptCheckCase {
  const char* what;
  std::string script;  // after the header
  std::vector<std::string> entries;
  std::vector<std::string> problems;
};

TEST(ScriptCheckTest, CheckArchiveScriptReportsEachProblemByLine) {
  const ScriptCheckCase cases[] = {
      {"complete", "[license]\nlicense.txt\n[copyfiles]\na.exe=A.EXE\n[version check]\na.exe/1.0-1.1\n",
       {"a.exe", "license.txt"}, {}},
      {"script alone", "", {},
       {"archive: 1 entry; the updater refuses archives with fewer than 2 (the script and a file)"}},
      {"copy list", "[copyfiles]\n; comment\n\na.exe=a.exe\nb.exe = help\\b.chm\nnoequals\n=a.exe\n",
       {"a.exe"},
       {"copyfiles line 4: entry help\\b.chm is not in the archive",
        "copyfiles line 5: no \"=\" (expected destination=entry)",
        "copyfiles line 5: entry noequals is not in the archive",
        "copyfiles line 6: no destination before \"=\""}},
      {"licence", "[license]\nlicence.txt\n", {"license.txt"},
       {"license line 1: entry licence.txt is not in the archive"}},
      {"licence with a space", "[license]\nlicense.txt \n", {"license.txt"},
       {"license line 1: entry license.txt  is not in the archive (mind the spaces around it)"}},
      {"empty licence line", "[license]\n\nlicense.txt\n", {"license.txt"},
       {"license line 1: empty; only the first line names the licence entry"}},
      {"version check", "[version check]\na.exe 1.0 1.1\n", {"a.exe"},
       {"version check line 1: \"a.exe 1.0 1.1\" is not of the form file/minimum-newest; the "
        "updater checks no version"}},
      {"japanese sections",
       "[japanese]\ncopyfiles=copyfiles_j\nversion check=vc_j\nlicense=license_j\n"
       "[copyfiles]\na.exe=a.exe\n[copyfiles_j]\na.exe=a_j.exe\n[vc_j]\na.exe/x-1\n",
       {"a.exe"},
       {"japanese: license is redirected to [license_j], which the script does not have; Japanese "
        "systems read nothing for it",
        "copyfiles_j line 1: entry a_j.exe is not in the archive",
        "vc_j line 1: minimum version \"x\" is not a number such as 1.61"}},
  };
  for (const ScriptCheckCase& c : cases) {
    ScriptArchive archive(kHeader + c.script, c.entries);
    EXPECT_EQ(CheckArchiveScript(archive.archive()), c.problems) << c.what;
  }
}

TEST(ScriptCheckTest, EntryZeroThatIsNoScript) {
  ScriptArchive archive("just text\n", {"a.exe"});
  EXPECT_EQ(CheckArchiveScript(archive.archive()),
            std::vector<std::string>{"entry 0 (update.inf): not an update information script: "
                                     "the first line is not exactly "
                                     "[Quintarel Corporation UpdateInfo]"});
}

constexpr char kSummaryScript[] =
    "[Quintarel Corporation UpdateInfo]\nformat=0\n"
    "[japanese]\nstrings=strings_j\nfilelist=filelist_j\n"
    "[strings]\ntitle=T\xe9tel\nupgrade=Up\n"
    "[strings_j]\ntitle=\x83\x65\x83\x58\x83\x67\n"
    "[copyfiles]\na.exe=a.exe\nb.chm=help\\b.chm\n"
    "[license]\nlicense.txt\n"
    "[filelist]\nplain.txt\n"
    "[filelist_j]\na.exe\n";

TEST(ScriptSummaryTest, TextMarksEntriesAndReadsTheFileListAsTheBuilder) {
  ScriptArchive archive(kSummaryScript, {"a.exe"});
  MemoryStream script(std::vector<std::uint8_t>(std::begin(kSummaryScript),
                                                std::end(kSummaryScript) - 1));
  UpdateInfo wizard(false);
  ASSERT_TRUE(wizard.Load(script));
  const std::string text = FormatSummaryText(ReadScriptSummary(wizard), &archive.archive());
  for (const char* expected : {
           "archive:          2 entries, the script is entry 0 (update.inf), no digests\n",
           "title:            T\xe9tel\n",
           "appname:          \n",
           "copyfiles:        2\n  a.exe <- a.exe  (present)\n  b.chm <- help\\b.chm  (missing)\n",
           "shortcut target:  none (no shortcut is changed)\n",
           "version check:    none (no version page)\n",
           "license:          license.txt  (missing)\n",
           "filelist:         1 (read as the builder does, as on a Japanese system)\n  a.exe\n",
       }) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\nin:\n" << text;
  }
}

TEST(ScriptSummaryTest, JsonKeepsExactBytesBesideEachText) {
  MemoryStream script(std::vector<std::uint8_t>(std::begin(kSummaryScript),
                                                std::end(kSummaryScript) - 1));
  UpdateInfo japanese(true);
  ASSERT_TRUE(japanese.Load(script));
  const std::string json = FormatSummaryJson(ReadScriptSummary(japanese), nullptr, true);
  for (const char* expected : {
           "{\"source\":\"script\",\"japanese\":true,",
           "\"title\":\"\\u0083e\\u0083X\\u0083g\",\"titleHex\":\"836583588367\"",
           "\"copyFiles\":[{\"destination\":\"a.exe\",\"destinationHex\":\"612e657865\","
           "\"entry\":\"a.exe\",\"entryHex\":\"612e657865\"},",
           "\"versionCheck\":null",
           "\"license\":\"license.txt\"",
           "\"fileList\":[\"a.exe\"],\"fileListHex\":[\"612e657865\"]}\n",
       }) {
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\nin:\n" << json;
  }
  EXPECT_EQ(json.find("present"), std::string::npos) << "a script has no entries to mark";
}

TEST(CommandOptionsTest, BuildArgumentsAndTheirRefusals) {
  struct Case {
    std::vector<std::string> args;
    const char* epoch;
    std::string error;  // a part of the usage error; "" when accepted
    BuildOptions expected;
  };
  const Case cases[] = {
      {{"u.inf"}, nullptr, "", {"u.inf", "", std::nullopt, 4}},
      {{"u.inf", "-o", "x.dat", "--time", "-5", "-j2"}, "9", "", {"u.inf", "x.dat", -5, 2}},
      {{"-j", "256", "u.inf", "--no-digests"}, "", "", {"u.inf", "", std::nullopt, 256, false}},
      {{"u.inf"}, "1700000000", "", {"u.inf", "", 1700000000, 4}},
      {{}, nullptr, "build needs a SCRIPT", {}},
      {{"a.inf", "b.inf"}, nullptr, "build takes one SCRIPT", {}},
      {{"u.inf", "-o"}, nullptr, "-o needs a file", {}},
      {{"u.inf", "-o", ""}, nullptr, "-o needs a file", {}},
      {{"u.inf", "-j0"}, nullptr, "from 1 to 256, not '0'", {}},
      {{"u.inf", "-j", "257"}, nullptr, "not '257'", {}},
      {{"u.inf", "-j"}, nullptr, "-j needs a number", {}},
      {{"u.inf", "--time", "2147483648"}, nullptr, "--time must be seconds", {}},
      {{"u.inf"}, "soon", "SOURCE_DATE_EPOCH must be seconds", {}},
      {{"u.inf", "--fast"}, nullptr, "unknown option '--fast' for build", {}},
  };
  for (const Case& c : cases) {
    const std::string label = ::testing::PrintToString(c.args);
    BuildOptions options;
    const std::string error = ParseBuildOptions(c.args, c.epoch, 4, &options);
    if (c.error.empty()) {
      EXPECT_EQ(error, "") << label;
      EXPECT_EQ(options.script, c.expected.script) << label;
      EXPECT_EQ(options.out, c.expected.out) << label;
      EXPECT_EQ(options.time, c.expected.time) << label;
      EXPECT_EQ(options.digests, c.expected.digests) << label;
      EXPECT_EQ(options.threads, c.expected.threads) << label;
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << label << ": " << error;
    }
  }
}

TEST(CommandOptionsTest, ExtractArgumentsAndTheEntriesTheyChoose) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
    std::vector<int> chosen;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {{"a.dat"}, "", {0, 1, 2}, {"entry 3 (A.TXT): same name as entry 1"}},
      {{"-C", "out", "a.dat", "b.txt", "gone.txt", "A.TXT"}, "", {2, 1}, {"gone.txt: not in a.dat"}},
      {{"a.dat", "--", "-C"}, "", {}, {"-C: not in a.dat"}},
      {{}, "extract needs an ARCHIVE", {}, {}},
      {{"a.dat", "-C"}, "-C needs a folder", {}, {}},
      {{"-x", "a.dat"}, "unknown option '-x' for extract", {}, {}},
  };
  // Entry 3 takes entry 1's name in other letter case, which no builder
  // writes: extraction by name could never reach it.
  ScriptArchive built(kHeader, {"a.txt", "b.txt", "c.txt"});
  MemoryStream written;
  ASSERT_TRUE(built.archive().WriteTo(written));
  std::vector<std::uint8_t> bytes = written.TakeBytes();
  const auto name = std::search(bytes.begin(), bytes.end(), std::begin("c.txt"), std::end("c.txt") - 1);
  ASSERT_NE(name, bytes.end());
  std::copy_n("A.TXT", 5, name);
  testing::MemoryFileSystem files;
  UpdateArchive archive(files);
  MemoryStream in(bytes);
  ASSERT_TRUE(archive.ReadFrom(in));
  for (const Case& c : cases) {
    const std::string label = ::testing::PrintToString(c.args);
    ExtractOptions options;
    const std::string error = ParseExtractOptions(c.args, &options);
    if (!c.error.empty()) {
      EXPECT_NE(error.find(c.error), std::string::npos) << label << ": " << error;
      continue;
    }
    ASSERT_EQ(error, "") << label;
    const EntryChoice choice = ChooseEntries(archive, options);
    EXPECT_EQ(choice.chosen, c.chosen) << label;
    ASSERT_EQ(choice.problems.size(), c.problems.size()) << label;
    for (std::size_t i = 0; i < c.problems.size(); ++i) {
      EXPECT_EQ(choice.problems[i].rfind(c.problems[i], 0), 0u) << label << ": " << choice.problems[i];
    }
  }
}

TEST(OutputChecksTest, AnOutputThatIsAPackedSourceIsNamed) {
  testing::ScratchFolder scratch;
  testing::WriteText(scratch.Native("update.inf"), "script");
  testing::WriteText(scratch.Native("a.txt"), "a");
  const std::string script = scratch.Native("update.inf").string();
  const std::string listed = scratch.Native("a.txt").string();
  const std::vector<PackJob> jobs = {{"update.inf", script}, {"a.txt", listed}};
  const std::vector<ListedFile> files = {{1, "a.txt", false}};
  const std::pair<std::string, std::string> cases[] = {
      {script, "is the script itself; the archive would replace it"},
      {scratch.Native(".").string() + "/a.txt", "is the file of filelist line 1 (a.txt); the archive would replace it"},
      {scratch.Native("new.dat").string(), ""},
  };
  for (const auto& [out, expected] : cases) {
    const std::string reason = OutOverwritesSource(out, jobs, files, "filelist");
    if (expected.empty()) {
      EXPECT_EQ(reason, "") << out;
    } else {
      EXPECT_NE(reason.find(expected), std::string::npos) << out << ": " << reason;
    }
  }
}

TEST(FolderDiffTest, ArchiveNameProblemTakesOnlyNamesEveryReaderSpellsAlike) {
  const std::pair<std::string, const char*> cases[] = {
      {"lib\\deep\\a b.dat", ""},  {"docs\\update.inf", ""},
      {"a.b\\console\\com10", ""}, {std::string(259, 'n'), ""},
      {std::string(260, 'n'), "the path is 260 bytes, an entry name holds at most 259"},
      {"caf\xc3\xa9.txt", "beyond printable ASCII"}, {"tab\there", "beyond printable ASCII"},
      {"docs\\..\\x", "leaves its folder"},
      {"what?.txt", "holds '?'"},         {"a=b.txt", "holds '='"},
      {";notes.txt", "begins with ';'"},  {"[x].txt", "begins with '['"},
      {"dir.\\a.txt", "the part 'dir.' ends with '.'"},
      {"lib\\NUL.txt", "'NUL.txt' is a Windows device name"}, {"com1", "device name"},
      {"Update.INF", "diff writes its own Update.INF at the top"},
  };
  for (const auto& [name, expected] : cases) ExpectProblem(ArchiveNameProblem(name), expected, name);
}

// OLD in C:\old and NEW in C:\new, compared after setup fills them.
DiffOutcome CompareOldAndNew(const std::function<void(testing::MemoryFileSystem&)>& setup) {
  testing::MemoryFileSystem files;
  files.AddFolder("C:\\old");
  files.AddFolder("C:\\new");
  setup(files);
  return CompareFolders(files, "C:\\old", "C:\\new", [](const std::string&) { return ""; });
}

TEST(FolderDiffTest, CompareFoldersMatchesNamesIgnoringCase) {
  const DiffOutcome outcome = CompareOldAndNew([](testing::MemoryFileSystem& files) {
    files.AddFile("C:\\old\\ReadMe.txt", "same");
    files.AddFile("C:\\new\\README.TXT", "same");
    files.AddFile("C:\\old\\App.exe", "one");
    files.AddFile("C:\\new\\APP.EXE", "two");
  });
  ASSERT_EQ(outcome.problems, std::vector<std::string>{});
  EXPECT_EQ(outcome.diff.added.size() + outcome.diff.removed.size(), 0u);
  ASSERT_EQ(outcome.diff.changed.size(), 1u);
  EXPECT_EQ(outcome.diff.changed[0].name, "APP.EXE");  // as NEW spells it
  EXPECT_EQ(outcome.diff.unchanged, 1u);
}

TEST(FolderDiffTest, CompareFoldersRefusesWhatTheUpdaterCannotDo) {
  const std::pair<std::function<void(testing::MemoryFileSystem&)>, std::vector<std::string>> cases[] = {
      {[](testing::MemoryFileSystem& files) {  // a file became a folder, and the other way round
         files.AddFolder("C:\\old\\docs");
         files.AddFile("C:\\new\\docs", "now a file");
         files.AddFile("C:\\old\\bin", "a file");
         files.AddFolder("C:\\new\\bin");
       },
       {"bin is a file but", "docs is a folder but"}},
      {[](testing::MemoryFileSystem& files) {
         files.AddFile("C:\\old\\a.txt", "old");
         files.AddFile("C:\\new\\a.txt", "new");
         files.set_read_budget(0);
       },
       {"A hardware I/O error"}},
  };
  for (const auto& [setup, expected] : cases) {
    const std::vector<std::string> problems = CompareOldAndNew(setup).problems;
    ASSERT_EQ(problems.size(), expected.size()) << expected[0];
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_NE(problems[i].find(expected[i]), std::string::npos) << problems[i];
    }
  }
}

TEST(ProgramVersionTest, ScanFindsOnlyTheRootBlockOfAVersionResource) {
  // A root block: header, key in UTF-16 and padding, then the fixed record.
  const auto block = [](std::uint32_t ms, std::uint32_t ls, std::string key = "VS_VERSION_INFO") {
    std::string bytes("\x5c\0\x34\0\0\0", 6);
    for (const char c : key + '\0') bytes += {c, '\0'};
    bytes.resize(40, '\0');
    for (const std::uint32_t field : {0xFEEF04BDu, 0x10000u, ms, ls}) {
      for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(field >> shift);
    }
    bytes.resize(92, '\0');
    return bytes;
  };
  const std::string whole = block(0x10006, 0x10000);
  const std::pair<std::string, std::optional<std::int32_t>> cases[] = {
      {whole, 161},
      {std::string(37, '\xBD') + block(0x1000A, 0) + block(0x30005, 0), 200},
      {block(0x90009, 0, "VS_VERSION_INFX") + block(0x20000, 0x50000), 205},
      {block(0x10006, 0, "VS_VERSION_INF"), std::nullopt},
      {whole.substr(0, 60), std::nullopt},
  };
  for (const auto& [bytes, expected] : cases) {
    EXPECT_EQ(ScanVersionNumber({bytes.begin(), bytes.end()}), expected) << bytes.size() << " bytes";
  }
  // The script's text reads back as the number.
  for (const std::int32_t number : {161, 200, 5, 7274385}) {
    EXPECT_EQ(VersionThreshold(VersionCheckText(number)), number) << VersionCheckText(number);
  }
}

}  // namespace
}  // namespace quintarel::upkit
