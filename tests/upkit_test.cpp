#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "package/lzss_codec.h"
#include "package/stream.h"
#include "package/update_archive.h"
#include "tools/upkit/archive_check.h"
#include "tools/upkit/json.h"
#include "tools/upkit/paths.h"
#include "tools/upkit/time_format.h"

namespace quintarel::upkit {
namespace {

namespace fmt = archive_format;

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

TEST(PathsTest, FolderPathAndJoinBelow) {
  const std::pair<const char*, const char*> folders[] = {
      {"out", "out"},       {"out/", "out"},   {"/tmp/x//", "\\tmp\\x"}, {"/", "\\"},
      {"C:\\", "C:\\"},     {"C:/out/", "C:\\out"}, {".", "."},
  };
  for (const auto& [given, expected] : folders) EXPECT_EQ(FolderPath(given), expected) << given;

  EXPECT_EQ(JoinBelow("out", "docs\\a.txt"), "out\\docs\\a.txt");
  EXPECT_EQ(JoinBelow("\\", "a"), "\\a");
  EXPECT_EQ(JoinBelow("C:\\", "a"), "C:\\a");
  EXPECT_TRUE(IsRelativePath("out\\x"));
  EXPECT_FALSE(IsRelativePath("\\tmp"));
  EXPECT_FALSE(IsRelativePath("D:x"));
}

TEST(PathsTest, PrintableNameEscapesControlBytesOnly) {
  EXPECT_EQ(PrintableName("docs\\r\xe9sum\xe9.txt"), "docs\\r\xe9sum\xe9.txt");
  EXPECT_EQ(PrintableName(std::string("a\nb\x1b[2J\x7f")), "a\\x0ab\\x1b[2J\\x7f");
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

}  // namespace
}  // namespace quintarel::upkit
