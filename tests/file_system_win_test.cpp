// Win32 behaviour of the file layer that only Windows (here: Wine) shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/file_system.h"
#include "package/file_writing.h"
#include "package/name_form.h"
#include "package/update_archive.h"
#include "platform/file_system_win.h"
#include "platform/scoped_handle_win.h"
#include "tests/support/planted_link_win.h"
#include "tests/support/scratch_folder.h"

namespace quintarel {
namespace {

using testing::PlantedLink;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteText;

class Win32FileSystemTest : public ::testing::Test {
 protected:
  FileSystem& files_ = OperatingSystemFiles();
  ScratchFolder scratch_;
};

TEST_F(Win32FileSystemTest, OpensDoNotShare) {
  const std::string path = scratch_.Path("locked.txt");
  WriteText(scratch_.Native("locked.txt"), "x");
  FileErrorCause cause;
  auto first = files_.OpenForRead(path, &cause);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(files_.OpenForRead(path, &cause), nullptr);
  EXPECT_EQ(cause, FileErrorCause::kSharingViolation);
  EXPECT_EQ(files_.RenameReplacing(path, scratch_.Path("moved.txt")),
            FileErrorCause::kSharingViolation);
  EXPECT_EQ(files_.OpenForRead(scratch_.Path("no\\such\\x.txt"), &cause), nullptr);
  EXPECT_EQ(cause, FileErrorCause::kBadPath);
}

// A running program and a loaded library can still be opened for reading
// and renamed; only an open for writing their data shows them in use.
TEST_F(Win32FileSystemTest, FilesInUseAreNotReplaceable) {
  char own[MAX_PATH];
  ASSERT_NE(::GetModuleFileNameA(nullptr, own, MAX_PATH), 0u);
  EXPECT_FALSE(files_.IsReplaceable(own));

  const std::string copy = scratch_.Path("copy.exe");
  ASSERT_TRUE(::CopyFileA(own, copy.c_str(), FALSE));
  EXPECT_TRUE(files_.IsReplaceable(copy));
  {
    const ScopedModule loaded(::LoadLibraryExA(copy.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(files_.IsReplaceable(copy));
    FileErrorCause cause;
    EXPECT_NE(files_.OpenForRead(copy, &cause), nullptr);
  }
  EXPECT_TRUE(files_.IsReplaceable(copy));

  // A read-only file can be replaced (by a rename) and keeps its attribute.
  ASSERT_TRUE(::SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_READONLY));
  const DWORD read_only = ::GetFileAttributesA(copy.c_str());
  EXPECT_TRUE(files_.IsReplaceable(copy));
  EXPECT_EQ(::GetFileAttributesA(copy.c_str()), read_only);

  EXPECT_FALSE(files_.IsReplaceable(scratch_.Path()));
  EXPECT_FALSE(files_.IsReplaceable(scratch_.Path("missing.exe")));
}

TEST_F(Win32FileSystemTest, ArchiveAttributeClearsReadOnlyHiddenAndSystem) {
  const std::string path = scratch_.Path("flags.txt");
  WriteText(scratch_.Native("flags.txt"), "x");
  ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                     FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(files_.SetArchiveAttributeOnly(path));
  EXPECT_EQ(::GetFileAttributesA(path.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(Win32FileSystemTest, ExtractionReplacesAReadOnlyFile) {
  WriteText(scratch_.Native("new.txt"), "new contents");
  UpdateArchive archive(files_);
  ASSERT_TRUE(archive.AddFile(scratch_.Path("new.txt"), nullptr));

  const std::string dest = scratch_.Path("installed.txt");
  WriteText(scratch_.Native("installed.txt"), "old");
  ASSERT_TRUE(::SetFileAttributesA(dest.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(archive.ExtractToFile(dest, scratch_.Path("new.txt"), nullptr));
  EXPECT_EQ(ReadBytes(scratch_.Native("installed.txt")),
            ReadBytes(scratch_.Native("new.txt")));
  EXPECT_EQ(::GetFileAttributesA(dest.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(Win32FileSystemTest, DriveLettersAndRelativePaths) {
  char drive_root[] = "X:";
  drive_root[0] = scratch_.Path()[0];
  EXPECT_TRUE(files_.Exists(drive_root));
  EXPECT_TRUE(CreateParentFolders(files_, std::string(drive_root) + "\\file.txt"));

  char previous[MAX_PATH];
  ASSERT_NE(::GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryA(scratch_.Path().c_str()));
  EXPECT_FALSE(CreateParentFolders(files_, "missing\\sub\\file.txt"));
  EXPECT_FALSE(files_.Exists("missing"));
  ASSERT_TRUE(files_.CreateFolder("present"));
  EXPECT_TRUE(CreateParentFolders(files_, "present\\sub\\file.txt"));
  EXPECT_TRUE(files_.Exists(scratch_.Path("present\\sub")));
  ASSERT_TRUE(::SetCurrentDirectoryA(previous));
}

TEST_F(Win32FileSystemTest, CreationTimeIsSetWhenTheSystemKeepsIt) {
  const std::string path = scratch_.Path("created.txt");
  WriteText(scratch_.Native("created.txt"), "c");
  ASSERT_TRUE(files_.SetTimes(path, FileTimes{1'000'000'000, 1'200'000'000, 1'300'000'000}));
  FileTimes times;
  ASSERT_TRUE(files_.GetTimes(path, &times));
  EXPECT_EQ(times.last_write, 1'200'000'000);
  EXPECT_EQ(times.last_access, 1'300'000'000);
  // Wine does not keep creation times and reports the write time instead.
  EXPECT_TRUE(times.creation == 1'000'000'000 || times.creation == 1'200'000'000);
}

// Only name surrogates are links; other reparse points (cloud placeholders,
// deduplicated files) hold their own data. Wine makes no reparse point of a
// kind a test could choose (FSCTL_SET_REPARSE_POINT gives error 50), so the
// rule is checked on the attributes and tags a listing gives.
TEST(IsLinkReparsePointTest, NameSurrogatesAndUnknownTagsAreLinks) {
  constexpr DWORD kReparseFolder = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
  const struct {
    const char* name;
    DWORD attributes;
    DWORD tag;
    bool link;
  } cases[] = {
      {"symbolic link", FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK, true},
      {"junction", kReparseFolder, IO_REPARSE_TAG_MOUNT_POINT, true},
      {"Unix link under Wine, tag 0", kReparseFolder, 0, true},
      {"cloud placeholder folder", kReparseFolder, IO_REPARSE_TAG_CLOUD, false},
      {"deduplicated file", FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_DEDUP, false},
      {"no reparse point, whatever the tag field holds", FILE_ATTRIBUTE_DIRECTORY,
       IO_REPARSE_TAG_SYMLINK, false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsLinkReparsePoint(c.attributes, c.tag), c.link) << c.name;
}

// The links that Wine can show, Unix ones, stay links for the listing and
// for IsLink, so searches and the library's walks still pass over them.
TEST_F(Win32FileSystemTest, UnixLinksAreLinks) {
  ASSERT_TRUE(files_.CreateFolder(scratch_.Path("real")));
  const PlantedLink link(scratch_.Path("link"), scratch_.Path("real"));
  ASSERT_TRUE(link.planted()) << "no Unix link could be made here";

  std::vector<FolderEntry> entries;
  ASSERT_TRUE(files_.ListFolder(scratch_.Path(), &entries));
  std::vector<std::string> described;
  for (const FolderEntry& entry : entries) {
    described.push_back(entry.name + (entry.is_folder ? " folder" : "") +
                        (entry.is_link ? " link" : ""));
  }
  EXPECT_EQ(described, (std::vector<std::string>{"link folder link", "real folder"}));
  EXPECT_TRUE(files_.IsLink(scratch_.Path("link")));
  EXPECT_FALSE(files_.IsLink(scratch_.Path("real")));
  EXPECT_FALSE(files_.IsLink(scratch_.Path("missing")));
}

std::string Utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

// A file left unfinished is removed under its own name whichever form made
// it.
TEST_F(Win32FileSystemTest, UnfinishedFilesOfBothFormsAreRemoved) {
  const struct {
    FileSystem& files;
    std::string path;
    std::filesystem::path native;
  } cases[] = {
      {files_, scratch_.Path("plain.tmp"), scratch_.Native("plain.tmp")},
      {OperatingSystemFiles(NameForm::kUtf8), scratch_.Path(Utf8(u8"\u0416.tmp")),
       scratch_.Native() / L"\u0416.tmp"},
  };
  for (const auto& c : cases) {
    FileErrorCause cause;
    std::unique_ptr<File> file = c.files.CreateNew(c.path, &cause);
    ASSERT_NE(file, nullptr) << c.path;
    ASSERT_EQ(file->Close(), FileErrorCause::kNone);
    ASSERT_TRUE(std::filesystem::exists(c.native));
  }
  RemoveUnfinishedFiles();
  for (const auto& c : cases) EXPECT_FALSE(std::filesystem::exists(c.native)) << c.path;
}

}  // namespace
}  // namespace quintarel
