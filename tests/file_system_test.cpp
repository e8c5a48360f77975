// The operating system's file layer, natively and under Wine.
#include "package/file_system.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "package/file_stream.h"
#include "package/file_writing.h"
#include "package/update_archive.h"
#include "tests/support/scratch_folder.h"

namespace quintarel {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteText;

class FileSystemTest : public ::testing::Test {
 protected:
  FileSystem& files_ = OperatingSystemFiles();
  ScratchFolder scratch_;
};

TEST_F(FileSystemTest, OpeningReportsTheCause) {
  FileErrorCause cause = FileErrorCause::kNone;
  EXPECT_EQ(files_.OpenForRead(scratch_.Path("missing.txt"), &cause), nullptr);
  EXPECT_EQ(cause, FileErrorCause::kFileNotFound);

  EXPECT_EQ(files_.OpenForRead(scratch_.Path(), &cause), nullptr);
  EXPECT_EQ(cause, FileErrorCause::kAccessDenied);

  EXPECT_EQ(files_.CreateNew(scratch_.Path("no\\such\\file.txt"), &cause), nullptr);
  EXPECT_NE(cause, FileErrorCause::kNone);
}

TEST_F(FileSystemTest, CreateNewNeverReplacesWhatIsThere) {
  WriteText(scratch_.Native("there.txt"), "kept");
  FileErrorCause cause = FileErrorCause::kNone;
  EXPECT_EQ(files_.CreateNew(scratch_.Path("there.txt"), &cause), nullptr);
  EXPECT_EQ(cause, FileErrorCause::kAlreadyExists);
  EXPECT_EQ(ReadBytes(scratch_.Native("there.txt")), std::vector<std::uint8_t>({'k', 'e', 'p', 't'}));
#ifndef _WIN32
  // A link planted at the name, even one that leads nowhere yet.
  std::filesystem::create_symlink(scratch_.Native("outside.txt"), scratch_.Native("planted"));
  EXPECT_EQ(files_.CreateNew(scratch_.Path("planted"), &cause), nullptr);
  EXPECT_EQ(cause, FileErrorCause::kAlreadyExists);
  EXPECT_FALSE(files_.Exists(scratch_.Path("outside.txt")));
#endif
}

TEST_F(FileSystemTest, StreamsReadWriteSeekAndTruncate) {
  const std::string path = scratch_.Path("data.bin");
  FileErrorCause cause;
  {
    auto out = FileStream::Open(files_, path, FileStream::Mode::kCreateNew, &cause);
    ASSERT_NE(out, nullptr);
    out->Write("0123456789", 10);
    EXPECT_EQ(out->GetLength(), 10u);
    out->SetLength(6);
    EXPECT_EQ(out->Seek(0, SeekOrigin::kEnd), 6u);
    out->Write("ab", 2);
    out->Close();
  }
  auto in = FileStream::Open(files_, path, FileStream::Mode::kRead, &cause);
  ASSERT_NE(in, nullptr);
  char buffer[16] = {};
  EXPECT_EQ(in->Read(buffer, sizeof buffer), 8u);
  EXPECT_EQ(std::string(buffer, 8), "012345ab");
  EXPECT_EQ(in->Read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(in->Seek(-3, SeekOrigin::kCurrent), 5u);
  EXPECT_EQ(in->Read(buffer, 1), 1u);
  EXPECT_EQ(buffer[0], '5');
  EXPECT_THROW(in->Write("x", 1), FileError);
}

TEST_F(FileSystemTest, WriteAndAccessTimesRoundTrip) {
  const std::string path = scratch_.Path("timed.txt");
  WriteText(scratch_.Native("timed.txt"), "t");
  ASSERT_TRUE(files_.SetTimes(path, FileTimes{0, 1'500'000'000, 1'600'000'000}));
  FileTimes times;
  ASSERT_TRUE(files_.GetTimes(path, &times));
  EXPECT_EQ(times.last_write, 1'500'000'000);
  EXPECT_EQ(times.last_access, 1'600'000'000);
  EXPECT_NE(times.creation, 0);

  ASSERT_TRUE(files_.SetTimes(path, FileTimes{0, 1'400'000'000, 0}));
  ASSERT_TRUE(files_.GetTimes(path, &times));
  EXPECT_EQ(times.last_write, 1'400'000'000);
  EXPECT_EQ(times.last_access, 1'600'000'000);

  EXPECT_FALSE(files_.GetTimes(scratch_.Path("missing"), &times));
  EXPECT_FALSE(files_.SetTimes(scratch_.Path("missing"), FileTimes{1, 1, 1}));
}

TEST_F(FileSystemTest, FoldersReplaceAndRemove) {
  EXPECT_TRUE(files_.CreateFolder(scratch_.Path("sub")));
  EXPECT_FALSE(files_.CreateFolder(scratch_.Path("sub")));
  EXPECT_FALSE(files_.CreateFolder(scratch_.Path("a\\b")));
  EXPECT_TRUE(files_.Exists(scratch_.Path("sub")));

  WriteText(scratch_.Native("from.txt"), "new");
  WriteText(scratch_.Native("sub\\to.txt"), "old");
  EXPECT_EQ(files_.RenameReplacing(scratch_.Path("from.txt"), scratch_.Path("sub\\to.txt")),
            FileErrorCause::kNone);
  EXPECT_FALSE(files_.Exists(scratch_.Path("from.txt")));
  EXPECT_EQ(ReadBytes(scratch_.Native("sub\\to.txt")), std::vector<std::uint8_t>({'n', 'e', 'w'}));
  EXPECT_NE(files_.RenameReplacing(scratch_.Path("from.txt"), scratch_.Path("x")),
            FileErrorCause::kNone);

  EXPECT_TRUE(files_.RemoveFile(scratch_.Path("sub\\to.txt")));
  EXPECT_FALSE(files_.RemoveFile(scratch_.Path("sub\\to.txt")));
}

TEST_F(FileSystemTest, CreateParentFoldersBuildsTheChain) {
  EXPECT_TRUE(CreateParentFolders(files_, scratch_.Path("a\\b\\c\\file.txt")));
  EXPECT_TRUE(files_.Exists(scratch_.Path("a\\b\\c")));
  EXPECT_FALSE(files_.Exists(scratch_.Path("a\\b\\c\\file.txt")));
  EXPECT_TRUE(CreateParentFolders(files_, scratch_.Path("a\\file.txt")));
  EXPECT_FALSE(CreateParentFolders(files_, "no-such-relative-folder\\sub\\file.txt"));
  EXPECT_FALSE(files_.Exists("no-such-relative-folder"));
}

// Name and flags of each entry, sorted by name: POSIX returns entries in no
// particular order (the Win32 order is checked under Wine on its own).
std::vector<std::string> Describe(std::vector<FolderEntry> entries) {
  std::vector<std::string> described;
  for (const FolderEntry& entry : entries) {
    described.push_back(entry.name + (entry.is_folder ? " folder" : "") +
                        (entry.is_link ? " link" : ""));
  }
  std::sort(described.begin(), described.end());
  return described;
}

TEST_F(FileSystemTest, ListFolderGivesNamesAndKinds) {
  ASSERT_TRUE(files_.CreateFolder(scratch_.Path("tree")));
  ASSERT_TRUE(files_.CreateFolder(scratch_.Path("tree\\sub")));
  ASSERT_TRUE(files_.CreateFolder(scratch_.Path("tree\\empty")));
  WriteText(scratch_.Native("tree\\a.txt"), "a");
  WriteText(scratch_.Native("tree\\sub\\deep.txt"), "deep");
  WriteText(scratch_.Native("tree\\No Extension"), "n");

  std::vector<FolderEntry> entries;
  ASSERT_TRUE(files_.ListFolder(scratch_.Path("tree"), &entries));
  EXPECT_THAT(Describe(entries), ::testing::ElementsAre("No Extension", "a.txt", "empty folder",
                                                        "sub folder"));

  ASSERT_TRUE(files_.ListFolder(scratch_.Path("tree\\empty"), &entries));
  EXPECT_TRUE(entries.empty());

  entries = {FolderEntry{"kept", false, false}};
  EXPECT_FALSE(files_.ListFolder(scratch_.Path("missing"), &entries));
  EXPECT_FALSE(files_.ListFolder(scratch_.Path("tree\\a.txt"), &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "kept");
}

TEST_F(FileSystemTest, ListFolderMarksLinks) {
  ASSERT_TRUE(files_.CreateFolder(scratch_.Path("tree")));
  ASSERT_TRUE(files_.CreateFolder(scratch_.Path("tree\\real")));
  std::error_code error;
  std::filesystem::create_directory_symlink(scratch_.Native("tree\\real"),
                                            scratch_.Native("tree\\loop"), error);
  if (error) GTEST_SKIP() << "no folder links here: " << error.message();

  std::vector<FolderEntry> entries;
  ASSERT_TRUE(files_.ListFolder(scratch_.Path("tree"), &entries));
  ASSERT_EQ(entries.size(), 2u);
  const auto link = std::find_if(entries.begin(), entries.end(),
                                 [](const FolderEntry& entry) { return entry.name == "loop"; });
  ASSERT_NE(link, entries.end());
  EXPECT_TRUE(link->is_link);
  // Win32 marks a junction as a folder too; POSIX reports the link itself,
  // never the folder it leads to.
  if (std::filesystem::path::preferred_separator == '/') {
    EXPECT_FALSE(link->is_folder);
  }
  const auto real = link == entries.begin() ? entries.begin() + 1 : entries.begin();
  EXPECT_TRUE(real->is_folder);
  EXPECT_FALSE(real->is_link);
}

bool IsWritable(const std::filesystem::path& path) {
  return (std::filesystem::status(path).permissions() & std::filesystem::perms::owner_write) !=
         std::filesystem::perms::none;
}

void MakeReadOnly(const std::filesystem::path& path) {
  std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
}

// Every name in the folder: a failed copy must leave no temporary behind.
std::vector<std::string> NamesIn(FileSystem& files, const std::string& folder) {
  std::vector<FolderEntry> entries;
  EXPECT_TRUE(files.ListFolder(folder, &entries));
  std::vector<std::string> names;
  for (const FolderEntry& entry : entries) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(FileSystemTest, CopyReplacingCopiesWholeFilesOverOthers) {
  const std::string big(200'000, 'b');
  WriteText(scratch_.Native("big.bin"), big + "end");
  WriteText(scratch_.Native("new.txt"), "new");
  WriteText(scratch_.Native("old.txt"), "old contents, longer than the new ones");
  ASSERT_TRUE(files_.SetTimes(scratch_.Path("big.bin"), FileTimes{0, 1'500'000'000, 0}));

  EXPECT_EQ(files_.CopyReplacing(scratch_.Path("big.bin"), scratch_.Path("copy.bin")), 0u);
  EXPECT_EQ(ReadBytes(scratch_.Native("copy.bin")), ReadBytes(scratch_.Native("big.bin")));
  FileTimes times;
  ASSERT_TRUE(files_.GetTimes(scratch_.Path("copy.bin"), &times));
  EXPECT_EQ(times.last_write, 1'500'000'000);

  EXPECT_EQ(files_.CopyReplacing(scratch_.Path("new.txt"), scratch_.Path("old.txt")), 0u);
  EXPECT_EQ(ReadBytes(scratch_.Native("old.txt")), std::vector<std::uint8_t>({'n', 'e', 'w'}));
  EXPECT_EQ(ReadBytes(scratch_.Native("new.txt")), std::vector<std::uint8_t>({'n', 'e', 'w'}));
  EXPECT_THAT(NamesIn(files_, scratch_.Path()),
              ::testing::ElementsAre("big.bin", "copy.bin", "new.txt", "old.txt"));
}

TEST_F(FileSystemTest, CopyOfAReadOnlyFileStaysReadOnlyUntilMadeNormal) {
  WriteText(scratch_.Native("locked.txt"), "locked");
  MakeReadOnly(scratch_.Native("locked.txt"));
  ASSERT_FALSE(IsWritable(scratch_.Native("locked.txt")));

  EXPECT_EQ(files_.CopyReplacing(scratch_.Path("locked.txt"), scratch_.Path("copy.txt")), 0u);
  EXPECT_FALSE(IsWritable(scratch_.Native("copy.txt")));
  EXPECT_TRUE(files_.SetNormalAttributes(scratch_.Path("copy.txt")));
  EXPECT_TRUE(IsWritable(scratch_.Native("copy.txt")));
  EXPECT_TRUE(files_.RemoveFile(scratch_.Path("copy.txt")));

  EXPECT_TRUE(files_.SetNormalAttributes(scratch_.Path("locked.txt")));
  EXPECT_TRUE(IsWritable(scratch_.Native("locked.txt")));
  EXPECT_FALSE(files_.SetNormalAttributes(scratch_.Path("missing.txt")));
}

struct FailedCopyCase {
  const char* label;
  const char* from;
  const char* to;
};

TEST_F(FileSystemTest, FailedCopiesReportAnErrorAndLeaveEverythingAsItWas) {
  WriteText(scratch_.Native("source.txt"), "source");
  WriteText(scratch_.Native("target.txt"), "target");
  ASSERT_TRUE(files_.CreateFolder(scratch_.Path("folder")));
  WriteText(scratch_.Native("folder\\inside.txt"), "inside");

  const FailedCopyCase cases[] = {
      {"missing source over a file", "missing.txt", "target.txt"},
      {"folder as source over a file", "folder", "target.txt"},
      {"missing target folder", "source.txt", "no\\such\\new.txt"},
      {"folder as target", "source.txt", "folder"},
  };
  for (const FailedCopyCase& copy : cases) {
    SCOPED_TRACE(copy.label);
    EXPECT_NE(files_.CopyReplacing(scratch_.Path(copy.from), scratch_.Path(copy.to)), 0u);
    EXPECT_EQ(NamesIn(files_, scratch_.Path()),
              (std::vector<std::string>{"folder", "source.txt", "target.txt"}));
    EXPECT_EQ(NamesIn(files_, scratch_.Path("folder")), std::vector<std::string>{"inside.txt"});
    EXPECT_EQ(ReadBytes(scratch_.Native("target.txt")),
              std::vector<std::uint8_t>({'t', 'a', 'r', 'g', 'e', 't'}));
  }
}

TEST_F(FileSystemTest, RemoveFolderTakesOnlyEmptyFolders) {
  ASSERT_TRUE(files_.CreateFolder(scratch_.Path("empty")));
  ASSERT_TRUE(files_.CreateFolder(scratch_.Path("full")));
  WriteText(scratch_.Native("full\\kept.txt"), "kept");
  WriteText(scratch_.Native("file.txt"), "file");

  EXPECT_TRUE(files_.RemoveFolder(scratch_.Path("empty")));
  EXPECT_FALSE(files_.Exists(scratch_.Path("empty")));
  EXPECT_FALSE(files_.RemoveFolder(scratch_.Path("empty")));
  EXPECT_FALSE(files_.RemoveFolder(scratch_.Path("full")));
  EXPECT_TRUE(files_.Exists(scratch_.Path("full\\kept.txt")));
  EXPECT_FALSE(files_.RemoveFolder(scratch_.Path("file.txt")));
  EXPECT_TRUE(files_.Exists(scratch_.Path("file.txt")));
}

TEST_F(FileSystemTest, ArchiveRoundTripThroughRealFiles) {
  WriteText(scratch_.Native("readme.txt"), std::string(5000, 'r') + "end");
  ASSERT_TRUE(files_.CreateFolder(scratch_.Path("docs")));
  WriteText(scratch_.Native("docs\\guide.txt"), "guide");
  ASSERT_TRUE(files_.SetTimes(scratch_.Path("readme.txt"), FileTimes{0, 1'300'000'000, 1'300'000'500}));

  UpdateArchive archive(files_);
  ASSERT_TRUE(archive.AddFile(scratch_.Path("readme.txt"), nullptr));
  ASSERT_TRUE(archive.AddFile(scratch_.Path("docs\\guide.txt"), nullptr));
  ASSERT_TRUE(archive.Save(scratch_.Path("update.dat")));

  UpdateArchive reread(files_);
  ASSERT_TRUE(reread.Open(scratch_.Path("update.dat")));
  ASSERT_EQ(reread.GetCount(), 2);
  EXPECT_EQ(reread.entry(0).compressed(), 1);
  EXPECT_EQ(reread.entry(0).write_time(), 1'300'000'000);

  const std::string dest = scratch_.Path("out\\deep\\readme.txt");
  ASSERT_TRUE(reread.ExtractToFile(dest, scratch_.Path("README.TXT"), nullptr));
  FileTimes times;
  ASSERT_TRUE(files_.GetTimes(dest, &times));
  EXPECT_EQ(times.last_write, 1'300'000'000);
  EXPECT_EQ(times.last_access, 1'300'000'500);
  EXPECT_EQ(ReadBytes(scratch_.Native("out\\deep\\readme.txt")),
            ReadBytes(scratch_.Native("readme.txt")));
}

}  // namespace
}  // namespace quintarel
