#include "package/update_archive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "package/file_writing.h"
#include "package/lzss_codec.h"
#include "tests/support/memory_file_system.h"

namespace quintarel {
namespace {

using ::testing::ElementsAre;
using testing::MemoryFileSystem;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

std::vector<std::uint8_t> Text(std::size_t size) {
  static const char* const kWords[] = {"update ", "archive ", "window ", "the ", "of ", "file\r\n"};
  std::mt19937 random(7);
  std::string text;
  while (text.size() < size) text += kWords[random() % 6];
  text.resize(size);
  return Bytes(text);
}

std::size_t CompressedSize(const std::vector<std::uint8_t>& input) {
  MemoryStream in(input);
  MemoryStream out;
  LzssCodec codec;
  codec.Compress(out, in, nullptr, nullptr);
  return out.size();
}

void PutFixed32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct CollectingReporter : FileErrorReporter {
  void ShowFileError(const FileError& error) override { messages.push_back(error.what()); }
  std::vector<std::string> messages;
};

class UpdateArchiveTest : public ::testing::Test {
 protected:
  std::vector<std::uint8_t> Serialize(UpdateArchive& archive) {
    MemoryStream stream;
    EXPECT_TRUE(archive.WriteTo(stream));
    return stream.TakeBytes();
  }

  MemoryFileSystem files_;
  CollectingReporter reporter_;
  UpdateArchive archive_{files_, &reporter_};
};

TEST_F(UpdateArchiveTest, EmptyArchiveIsTheBareHeader) {
  const std::vector<std::uint8_t> bytes = Serialize(archive_);
  ASSERT_EQ(bytes.size(), 72u);
  const std::string magic = "Quintarel Corporation : update archive";
  EXPECT_EQ(std::memcmp(bytes.data(), magic.data(), magic.size()), 0);
  for (std::size_t i = magic.size(); i < 72; ++i) EXPECT_EQ(bytes[i], 0) << "offset " << i;
}

TEST_F(UpdateArchiveTest, RecordLayoutIsLittleEndianAndZeroFilled) {
  files_.AddFile("C:\\src\\a.txt", "hello", FileTimes{0x01020304, 0x11223344, 0});
  ASSERT_TRUE(archive_.AddFile("C:\\src\\a.txt", nullptr));
  const std::vector<std::uint8_t> bytes = Serialize(archive_);
  ASSERT_EQ(bytes.size(), 72u + 284u + 5u);
  EXPECT_EQ(bytes[68], 1);  // count
  const std::uint8_t* record = bytes.data() + 72;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(record)), "C:\\src\\a.txt");
  for (std::size_t i = 12; i < 260; ++i) ASSERT_EQ(record[i], 0) << "name byte " << i;
  EXPECT_THAT(std::vector<std::uint8_t>(record + 260, record + 284),
              ElementsAre(5, 0, 0, 0,              // storedSize
                          5, 0, 0, 0,              // fileSize
                          0, 0, 0, 0,              // compressed, padding
                          4, 3, 2, 1,              // creation
                          0x44, 0x33, 0x22, 0x11,  // write
                          0x44, 0x33, 0x22, 0x11)); // access 0 becomes the write time
}

TEST_F(UpdateArchiveTest, StoringRuleKeepsOnlyStrictlySmallerStreams) {
  const std::vector<std::uint8_t> same_length = Bytes("aaaaa");
  ASSERT_EQ(CompressedSize(same_length), same_length.size());
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::uint16_t compressed;
  };
  const Case cases[] = {
      {"empty", {}, 0},
      {"same_length", same_length, 0},
      {"random", RandomBytes(5000, 1), 0},
      {"text", Text(20000), 1},
  };
  for (const Case& c : cases) {
    files_.AddFile(c.name, c.bytes);
    ASSERT_TRUE(archive_.AddFile(c.name, nullptr)) << c.name;
    const ArchiveEntry& entry = archive_.entry(archive_.Find(c.name));
    EXPECT_EQ(entry.compressed(), c.compressed) << c.name;
    EXPECT_EQ(entry.file_size(), c.bytes.size()) << c.name;
    EXPECT_EQ(entry.stored_size(), entry.data().size()) << c.name;
    if (c.compressed == 0) {
      EXPECT_EQ(entry.stored_size(), c.bytes.size()) << c.name;
    } else {
      EXPECT_LT(entry.stored_size(), c.bytes.size()) << c.name;
    }
    MemoryStream out;
    ASSERT_TRUE(archive_.ExtractByName(c.name, out, nullptr)) << c.name;
    EXPECT_EQ(out.TakeBytes(), c.bytes) << c.name;
  }
}

TEST_F(UpdateArchiveTest, WriteThenReadGivesTheSameEntries) {
  files_.AddFile("update.inf", Text(300), FileTimes{100, 200, 300});
  files_.AddFile("Program\\App.exe", RandomBytes(3000, 2), FileTimes{400, 500, 600});
  files_.AddFile("empty.txt", std::vector<std::uint8_t>{}, FileTimes{1, 2, 3});
  for (const char* name : {"update.inf", "Program\\App.exe", "empty.txt"}) {
    ASSERT_TRUE(archive_.AddFile(name, nullptr)) << name;
  }
  const std::vector<std::uint8_t> bytes = Serialize(archive_);

  UpdateArchive copy(files_);
  MemoryStream stream(bytes);
  ASSERT_TRUE(copy.ReadFrom(stream));
  ASSERT_EQ(copy.GetCount(), 3);
  for (int i = 0; i < 3; ++i) {
    const ArchiveEntry& a = archive_.entry(i);
    const ArchiveEntry& b = copy.entry(i);
    EXPECT_EQ(a.name(), b.name());
    EXPECT_EQ(a.file_size(), b.file_size());
    EXPECT_EQ(a.stored_size(), b.stored_size());
    EXPECT_EQ(a.compressed(), b.compressed());
    EXPECT_EQ(a.creation_time(), b.creation_time());
    EXPECT_EQ(a.write_time(), b.write_time());
    EXPECT_EQ(a.access_time(), b.access_time());
    EXPECT_EQ(std::vector<std::uint8_t>(a.data().data(), a.data().data() + a.data().size()),
              std::vector<std::uint8_t>(b.data().data(), b.data().data() + b.data().size()));
  }
  EXPECT_EQ(Serialize(copy), bytes);
}

TEST_F(UpdateArchiveTest, NamesAreMatchedIgnoringAsciiCaseOnly) {
  files_.AddFile("readme.txt", "r");
  files_.AddFile("Readme.TXT", "R");
  ASSERT_TRUE(archive_.AddFile("readme.txt", nullptr));
  EXPECT_FALSE(archive_.AddFile("Readme.TXT", nullptr));
  EXPECT_TRUE(reporter_.messages.empty());
  EXPECT_EQ(archive_.Find("README.TXT"), 0);
  EXPECT_EQ(archive_.Find("readme.txt "), -1);
  EXPECT_EQ(archive_.Find("\xC3\xA9"), -1);
  EXPECT_EQ(archive_.GetCount(), 1);
}

TEST_F(UpdateArchiveTest, NameLengthIsLimitedTo259Bytes) {
  const std::string longest(259, 'n');
  const std::string too_long(260, 'm');
  files_.AddFile(longest, "x");
  files_.AddFile(too_long, "x");
  EXPECT_TRUE(archive_.AddFile(longest, nullptr));
  EXPECT_FALSE(archive_.AddFile(too_long, nullptr));
  EXPECT_EQ(archive_.GetCount(), 1);

  MemoryStream stream(Serialize(archive_));
  UpdateArchive copy(files_);
  ASSERT_TRUE(copy.ReadFrom(stream));
  EXPECT_EQ(copy.entry(0).name(), longest);
}

TEST_F(UpdateArchiveTest, AddingAMissingFileReportsTheCauseWithThePath) {
  EXPECT_FALSE(archive_.AddFile("docs\\missing.txt", nullptr));
  EXPECT_FALSE(archive_.AddFile("C:\\nowhere\\x.txt", nullptr));
  EXPECT_THAT(reporter_.messages,
              ElementsAre("docs\\missing.txt contains an invalid path.",
                          "C:\\nowhere\\x.txt contains an invalid path."));
  files_.AddFolder("docs");
  EXPECT_FALSE(archive_.AddFile("docs\\missing.txt", nullptr));
  EXPECT_EQ(reporter_.messages.back(), "docs\\missing.txt was not found.");
  EXPECT_EQ(archive_.GetCount(), 0);
}

TEST_F(UpdateArchiveTest, ReadFailureWhileAddingIsReportedNotThrown) {
  files_.AddFile("big.bin", Text(10000));
  files_.set_read_budget(4096);
  EXPECT_FALSE(archive_.AddFile("big.bin", nullptr));
  EXPECT_THAT(reporter_.messages,
              ElementsAre("A hardware I/O error was reported while accessing big.bin."));
  EXPECT_EQ(archive_.GetCount(), 0);
}

struct ProgressLog {
  static bool Record(void* self, std::int64_t value) {
    auto* log = static_cast<ProgressLog*>(self);
    log->values.push_back(value);
    return log->values.size() < log->stop_after;
  }
  std::vector<std::int64_t> values;
  std::size_t stop_after = SIZE_MAX;
};

TEST_F(UpdateArchiveTest, AddingReportsPercentagesAndStopsOnRequest) {
  files_.AddFile("text.txt", Text(100000));
  ProgressLog log;
  PercentProgress progress(&ProgressLog::Record, &log);
  ASSERT_TRUE(archive_.AddFile("text.txt", &progress));
  EXPECT_EQ(progress.total(), 100000);
  ASSERT_GE(log.values.size(), 50u);
  EXPECT_TRUE(std::is_sorted(log.values.begin(), log.values.end()));
  EXPECT_GE(log.values.front(), 1);
  EXPECT_LE(log.values.back(), 100);

  files_.AddFile("second.txt", Text(100000));
  ProgressLog stopper;
  stopper.stop_after = 3;
  PercentProgress stopping(&ProgressLog::Record, &stopper);
  EXPECT_FALSE(archive_.AddFile("second.txt", &stopping));
  EXPECT_EQ(stopper.values.size(), 3u);
  EXPECT_EQ(archive_.GetCount(), 1);
}

TEST(PercentProgressTest, RoundsHalvesAwayFromZero) {
  struct Case {
    std::int64_t count, total, percent;
  };
  const Case cases[] = {
      {0, 100, 0},  {50, 100, 50}, {1, 3, 33},   {2, 3, 67},     {1, 200, 1},
      {1, 201, 0},  {-1, 200, -1}, {5, 0, -1},   {100, 100, 100}, {3000000000LL, 3000000000LL, 100},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PercentProgress::Percent(c.count, c.total), c.percent) << c.count << "/" << c.total;
  }
}

class ArchiveReadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MemoryFileSystem files;
    files.AddFile("update.inf", Text(2000));
    files.AddFile("app.exe", RandomBytes(700, 3));
    UpdateArchive archive(files);
    ASSERT_TRUE(archive.AddFile("update.inf", nullptr));
    ASSERT_TRUE(archive.AddFile("app.exe", nullptr));
    MemoryStream stream;
    archive.WriteTo(stream);
    good_ = stream.TakeBytes();
  }

  bool Reads(const std::vector<std::uint8_t>& bytes, int* count = nullptr) {
    MemoryFileSystem files;
    UpdateArchive archive(files);
    MemoryStream stream(bytes);
    const bool ok = archive.ReadFrom(stream);
    if (count != nullptr) *count = archive.GetCount();
    return ok;
  }

  std::vector<std::uint8_t> good_;
};

TEST_F(ArchiveReadingTest, HeaderRules) {
  int count = -1;
  ASSERT_TRUE(Reads(good_, &count));
  EXPECT_EQ(count, 2);

  auto junk_after_nul = good_;
  junk_after_nul[40] = 'x';
  junk_after_nul[63] = 0xFF;
  EXPECT_TRUE(Reads(junk_after_nul));

  auto reserved = good_;
  reserved[64] = 1;
  EXPECT_FALSE(Reads(reserved));

  auto lower_case = good_;
  lower_case[0] = 'q';
  EXPECT_FALSE(Reads(lower_case));

  auto no_nul = good_;
  no_nul[38] = ' ';
  EXPECT_FALSE(Reads(no_nul));

  EXPECT_FALSE(Reads(std::vector<std::uint8_t>(good_.begin(), good_.begin() + 71)));

  auto none = std::vector<std::uint8_t>(good_.begin(), good_.begin() + 72);
  PutFixed32(none, 68, 0);
  EXPECT_TRUE(Reads(none, &count));
  EXPECT_EQ(count, 0);
}

TEST_F(ArchiveReadingTest, EntriesMustBeComplete) {
  auto trailing = good_;
  trailing.insert(trailing.end(), {1, 2, 3, 4, 5});
  EXPECT_TRUE(Reads(trailing));

  EXPECT_FALSE(Reads(std::vector<std::uint8_t>(good_.begin(), good_.end() - 1)));
  EXPECT_FALSE(Reads(std::vector<std::uint8_t>(good_.begin(), good_.begin() + 72 + 283)));

  auto one_more = good_;
  PutFixed32(one_more, 68, 3);
  EXPECT_FALSE(Reads(one_more));
}

TEST_F(ArchiveReadingTest, HugeClaimsFailBeforeAllocating) {
  std::vector<std::uint8_t> crafted(good_.begin(), good_.begin() + 72 + 284);
  crafted.resize(400);
  PutFixed32(crafted, 72 + 260, 0xFFFFFFF0u);
  EXPECT_FALSE(Reads(crafted));

  auto many = good_;
  PutFixed32(many, 68, 0xFFFFFFFFu);
  EXPECT_FALSE(Reads(many));
}

TEST(ArchiveEntryTest, DamagedEntriesNeverExtractAsSuccess) {
  MemoryFileSystem files;
  files.AddFile("text.txt", Text(5000));
  UpdateArchive archive(files);
  ASSERT_TRUE(archive.AddFile("text.txt", nullptr));
  MemoryStream stream;
  archive.WriteTo(stream);
  const std::vector<std::uint8_t> good = stream.TakeBytes();
  const std::size_t size_offset = 72 + 264;
  const std::size_t stored_offset = 72 + 260;

  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Case> cases;
  auto larger = good;
  PutFixed32(larger, size_offset, 5001);
  cases.push_back({"expands to fewer bytes than fileSize", larger});
  auto smaller = good;
  PutFixed32(smaller, size_offset, 4999);
  cases.push_back({"expands to more bytes than fileSize", smaller});
  auto cut = good;
  cut.resize(cut.size() - 10);
  PutFixed32(cut, stored_offset, static_cast<std::uint32_t>(cut.size() - 72 - 284));
  cases.push_back({"stream ends before its end marker", cut});
  auto stored = good;
  stored[72 + 268] = 0;
  cases.push_back({"stored entry whose sizes differ", stored});

  for (const Case& c : cases) {
    UpdateArchive damaged(files);
    MemoryStream in(c.bytes);
    ASSERT_TRUE(damaged.ReadFrom(in)) << c.what;
    MemoryStream out;
    EXPECT_FALSE(damaged.ExtractAt(0, out, nullptr)) << c.what;
    files.AddFile("C:\\out.txt", "old");
    EXPECT_FALSE(damaged.ExtractToFile("C:\\out.txt", "text.txt", nullptr)) << c.what;
    EXPECT_EQ(files.Contents("C:\\out.txt"), Bytes("old")) << c.what;
  }
}

TEST(ArchiveEntryTest, ExtractAtRejectsIndicesOutOfRange) {
  MemoryFileSystem files;
  UpdateArchive archive(files);
  MemoryStream out;
  EXPECT_FALSE(archive.ExtractAt(0, out, nullptr));
  EXPECT_FALSE(archive.ExtractAt(-1, out, nullptr));
  EXPECT_FALSE(archive.ExtractByName("x", out, nullptr));
}

class ExtractToFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.AddFile("app.exe", Text(3000), FileTimes{1000, 2000, 3000});
    files_.AddFile("untimed.txt", "abc");
    ASSERT_TRUE(archive_.AddFile("app.exe", nullptr));
    ASSERT_TRUE(archive_.AddFile("untimed.txt", nullptr));
    files_.set_now(99);
  }

  std::vector<std::string> TemporaryFiles() {
    std::vector<std::string> found;
    for (const std::string& path : files_.Paths()) {
      if (path.find(".~") != std::string::npos) found.push_back(path);
    }
    return found;
  }

  MemoryFileSystem files_;
  UpdateArchive archive_{files_};
};

TEST_F(ExtractToFileTest, CreatesFoldersAndAppliesTimes) {
  ASSERT_TRUE(archive_.ExtractToFile("C:\\Program\\Sub\\app.exe", "APP.EXE", nullptr));
  EXPECT_EQ(files_.Contents("C:\\Program\\Sub\\app.exe"), Text(3000));
  const auto* node = files_.Lookup("C:\\Program\\Sub\\app.exe");
  EXPECT_EQ(node->times.creation, 1000);
  EXPECT_EQ(node->times.last_write, 2000);
  EXPECT_EQ(node->times.last_access, 3000);
  EXPECT_TRUE(files_.Lookup("C:\\Program")->folder);
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(ExtractToFileTest, OverwritesAReadOnlyFile) {
  files_.AddFile("C:\\app.exe", "old");
  files_.Lookup("C:\\app.exe")->read_only = true;
  ASSERT_TRUE(archive_.ExtractToFile("C:\\app.exe", "app.exe", nullptr));
  EXPECT_EQ(files_.Contents("C:\\app.exe"), Text(3000));
  EXPECT_FALSE(files_.Lookup("C:\\app.exe")->read_only);
}

TEST_F(ExtractToFileTest, ZeroWriteTimeLeavesTheFileSystemsTimes) {
  archive_.entry(1).set_times(5, 0, 7);
  ASSERT_TRUE(archive_.ExtractToFile("C:\\untimed.txt", "untimed.txt", nullptr));
  const auto* node = files_.Lookup("C:\\untimed.txt");
  EXPECT_EQ(node->times.creation, 99);
  EXPECT_EQ(node->times.last_write, 99);
  EXPECT_EQ(node->times.last_access, 99);
}

TEST_F(ExtractToFileTest, FailuresLeaveTheOldFileAndNoTemporary) {
  EXPECT_FALSE(archive_.ExtractToFile("C:\\app.exe", "missing.exe", nullptr));
  EXPECT_FALSE(files_.Exists("C:\\app.exe"));

  EXPECT_FALSE(archive_.ExtractToFile("nowhere\\app.exe", "app.exe", nullptr));
  EXPECT_FALSE(files_.Exists("nowhere"));

  files_.AddFile("C:\\app.exe", "old", FileTimes{1, 2, 3});
  files_.set_write_budget(1500);
  EXPECT_FALSE(archive_.ExtractToFile("C:\\app.exe", "app.exe", nullptr));
  EXPECT_EQ(files_.Contents("C:\\app.exe"), Bytes("old"));
  EXPECT_EQ(files_.Lookup("C:\\app.exe")->times.last_write, 2);
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(ExtractToFileTest, AFileInUseIsNotReplaced) {
  files_.AddFile("C:\\app.exe", "old");
  FileErrorCause cause;
  auto holder = files_.OpenForRead("C:\\app.exe", &cause);
  ASSERT_NE(holder, nullptr);
  EXPECT_FALSE(archive_.ExtractToFile("C:\\app.exe", "app.exe", nullptr));
  holder.reset();
  EXPECT_EQ(files_.Contents("C:\\app.exe"), Bytes("old"));
  EXPECT_TRUE(TemporaryFiles().empty());
}

class SaveTest : public ExtractToFileTest {
 protected:
  CollectingReporter reporter_;
  UpdateArchive reporting_{files_, &reporter_};
};

TEST_F(SaveTest, WritesTheArchiveAtomically) {
  ASSERT_TRUE(reporting_.AddFile("app.exe", nullptr));
  files_.AddFile("C:\\update.dat", "previous");
  ASSERT_TRUE(reporting_.Save("C:\\update.dat"));
  UpdateArchive reread(files_);
  ASSERT_TRUE(reread.Open("C:\\update.dat"));
  EXPECT_EQ(reread.GetCount(), 1);
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(SaveTest, AFullDiskLeavesThePreviousArchive) {
  ASSERT_TRUE(reporting_.AddFile("app.exe", nullptr));
  files_.AddFile("C:\\update.dat", "previous");
  files_.set_write_budget(300);
  EXPECT_FALSE(reporting_.Save("C:\\update.dat"));
  EXPECT_EQ(files_.Contents("C:\\update.dat"), Bytes("previous"));
  EXPECT_THAT(reporter_.messages, ElementsAre("Disk full while accessing C:\\update.dat."));
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(SaveTest, AnUncreatableTargetIsReported) {
  EXPECT_FALSE(reporting_.Save("C:\\no\\such\\update.dat"));
  EXPECT_THAT(reporter_.messages,
              ElementsAre("C:\\no\\such\\update.dat contains an invalid path."));
  files_.AddFile("C:\\locked.dat", "previous");
  files_.Lookup("C:\\locked.dat")->read_only = true;
  EXPECT_FALSE(reporting_.Save("C:\\locked.dat"));
  EXPECT_EQ(reporter_.messages.back(), "Access to C:\\locked.dat was denied.");
  EXPECT_EQ(files_.Contents("C:\\locked.dat"), Bytes("previous"));
}

TEST(ReplaceFileTest, ReplacesOnlyAWholeWriteAndLeavesNothingBeside) {
  enum class Write { kWhole, kGivesUp, kFailsToRead };
  struct Case {
    int names_taken;
    Write write;
    bool replaced;
    FileErrorCause cause;
  };
  const Case cases[] = {
      {0, Write::kWhole, true, FileErrorCause::kNone},
      {15, Write::kWhole, true, FileErrorCause::kNone},
      {16, Write::kWhole, false, FileErrorCause::kAlreadyExists},
      {0, Write::kGivesUp, false, FileErrorCause::kNone},
      {0, Write::kFailsToRead, false, FileErrorCause::kNone},
  };
  for (const Case& c : cases) {
    MemoryFileSystem files;
    files.AddFile("C:\\a.txt", "old");
    files.take_created_names(c.names_taken);
    const std::vector<std::string> names = files.Paths();
    Replacement outcome;
    const auto write = [&](Stream& out) {
      out.Write("new", 3);
      if (c.write == Write::kFailsToRead) throw FileError(FileErrorCause::kHardIO, "C:\\in.txt");
      return c.write == Write::kWhole;
    };
    // An error about the file being read is the caller's to report.
    if (c.write == Write::kFailsToRead) {
      EXPECT_THROW(ReplaceFile(files, "C:\\a.txt", write), FileError);
    } else {
      outcome = ReplaceFile(files, "C:\\a.txt", write);
    }
    EXPECT_EQ(outcome.replaced, c.replaced) << c.names_taken;
    EXPECT_EQ(outcome.cause, c.cause) << c.names_taken;
    EXPECT_EQ(files.Contents("C:\\a.txt"), Bytes(c.replaced ? "new" : "old")) << c.names_taken;
    EXPECT_EQ(files.Paths(), names) << c.names_taken;
  }
}

TEST(CreateParentFoldersTest, CreatesWhatIsMissingAboveTheFile) {
  struct Case {
    const char* path;
    bool result;
    std::vector<std::string> created;
  };
  const Case cases[] = {
      {"C:\\a\\b\\f.txt", true, {"c:\\a", "c:\\a\\b"}},
      {"C:\\f.txt", true, {}},
      {"rel\\sub\\f.txt", false, {}},
      {"f.txt", false, {}},
      {"C:/a/f.txt", false, {}},
  };
  for (const Case& c : cases) {
    MemoryFileSystem files;
    const auto before = files.Paths();
    EXPECT_EQ(CreateParentFolders(files, c.path), c.result) << c.path;
    std::vector<std::string> created;
    for (const auto& path : files.Paths()) {
      if (std::find(before.begin(), before.end(), path) == before.end()) created.push_back(path);
    }
    EXPECT_EQ(created, c.created) << c.path;
  }
}

TEST(MemoryStreamTest, GrowsInWholeStepsAndFillsGapsWithZero) {
  MemoryStream stream;
  const std::vector<std::uint8_t> chunk(700, 0xAB);
  for (int i = 0; i < 50; ++i) {
    stream.Write(chunk.data(), chunk.size());
    EXPECT_EQ(stream.capacity() % 1024, 0u);
  }
  EXPECT_EQ(stream.size(), 35000u);
  stream.Seek(10, SeekOrigin::kEnd);
  const std::uint8_t last = 1;
  stream.Write(&last, 1);
  EXPECT_EQ(stream.size(), 35011u);
  EXPECT_EQ(stream.data()[35005], 0);
  std::uint8_t buffer[4];
  stream.Seek(-2, SeekOrigin::kEnd);
  EXPECT_EQ(stream.Read(buffer, 4), 2u);
  EXPECT_EQ(stream.Read(buffer, 4), 0u);
  EXPECT_EQ(stream.TakeBytes().size(), 35011u);
  EXPECT_EQ(stream.size(), 0u);
}

TEST(FileErrorTest, TextsNameTheFile) {
  EXPECT_EQ(FormatFileError(FileErrorCause::kFileNotFound, "a\\b.txt"), "a\\b.txt was not found.");
  EXPECT_EQ(FormatFileError(FileErrorCause::kBadSeek, "x"), "Seek failed on x");
  EXPECT_EQ(FormatFileError(FileErrorCause::kNone, "x"), "No error occurred.");
  EXPECT_EQ(FormatFileError(FileErrorCause::kGeneric, "x"),
            "An unknown error occurred while accessing x.");
}

}  // namespace
}  // namespace quintarel
