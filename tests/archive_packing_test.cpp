#include "package/archive_packing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/memory_file_system.h"

namespace quintarel {
namespace {

using ::testing::ElementsAre;
using testing::MemoryFileSystem;

constexpr char kHeader[] = "[Quintarel Corporation UpdateInfo]\r\nformat=0\r\n";

struct CollectingReporter : FileErrorReporter {
  void ShowFileError(const FileError& error) override { messages.push_back(error.what()); }
  std::vector<std::string> messages;
};

struct RecordingObserver : PackingObserver {
  void StartFile(const std::string& name) override { started.push_back(name); }
  bool Progress(std::int64_t percent) override {
    reports.push_back(percent);
    return reports.size() < cancel_at;
  }
  std::vector<std::string> started;
  std::vector<std::int64_t> reports;
  std::size_t cancel_at = SIZE_MAX;
};

class PackArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.AddFolder("C:\\build");
    files_.AddFolder("C:\\build\\docs");
    files_.AddFile("C:\\build\\app.exe", std::string(5000, 'a'));
    files_.AddFile("C:\\build\\docs\\guide.txt", "guide text");
    files_.AddFile("C:\\build\\empty.txt", "");
  }

  PackResult Pack(const std::string& script_text) {
    files_.AddFile("C:\\build\\update.inf", script_text);
    UpdateInfo script(true);
    EXPECT_TRUE(script.LoadScriptFile(files_, "C:\\build\\update.inf"));
    return PackArchive(archive_, script, "update.inf", "C:\\build", &observer_);
  }

  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0; i < archive_.GetCount(); ++i) names.push_back(archive_.entry(i).name());
    return names;
  }

  MemoryFileSystem files_;
  CollectingReporter reporter_;
  RecordingObserver observer_;
  UpdateArchive archive_{files_, &reporter_};
};

TEST_F(PackArchiveTest, PacksTheScriptThenEveryListedFileUnderItsLine) {
  const PackResult result =
      Pack(std::string(kHeader) + "[filelist]\r\napp.exe\r\n\r\ndocs\\guide.txt\r\nempty.txt\r\n");
  EXPECT_EQ(result.status, PackStatus::kComplete);
  EXPECT_THAT(Names(), ElementsAre("update.inf", "app.exe", "docs\\guide.txt", "empty.txt"));
  EXPECT_THAT(observer_.started, ElementsAre("app.exe", "docs\\guide.txt", "empty.txt"));
  EXPECT_FALSE(observer_.reports.empty());
  EXPECT_LE(observer_.reports.back(), 100);
  EXPECT_TRUE(reporter_.messages.empty());
}

TEST_F(PackArchiveTest, AScriptWithoutAFileListPacksTheScriptAlone) {
  EXPECT_EQ(Pack(kHeader).status, PackStatus::kComplete);
  EXPECT_THAT(Names(), ElementsAre("update.inf"));
}

TEST_F(PackArchiveTest, TheJapaneseMappingChoosesTheList) {
  const PackResult result = Pack(std::string(kHeader) +
                                 "[japanese]\nfilelist=filelist_j\n"
                                 "[filelist]\napp.exe\n[filelist_j]\ndocs\\guide.txt\n");
  EXPECT_EQ(result.status, PackStatus::kComplete);
  EXPECT_THAT(Names(), ElementsAre("update.inf", "docs\\guide.txt"));
}

TEST_F(PackArchiveTest, StopsAtTheFirstLineThatCannotBeAdded) {
  struct Case {
    const char* list;
    PackStatus status;
    const char* line;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"app.exe\nmissing.dll\nempty.txt\n", PackStatus::kFileUnreadable, "missing.dll",
       {"C:\\build\\missing.dll was not found."}},
      {"app.exe\nAPP.EXE\n", PackStatus::kDuplicateName, "APP.EXE", {}},
      {"; a comment\napp.exe\n", PackStatus::kFileUnreadable, "; a comment",
       {"C:\\build\\; a comment was not found."}},
      {"update.inf\n", PackStatus::kDuplicateName, "update.inf", {}},
      {" app.exe\n", PackStatus::kFileUnreadable, " app.exe", {"C:\\build\\ app.exe was not found."}},
  };
  for (const Case& c : cases) {
    archive_.Clear();
    reporter_.messages.clear();
    const PackResult result = Pack(std::string(kHeader) + "[filelist]\n" + c.list);
    EXPECT_EQ(result.status, c.status) << c.list;
    EXPECT_EQ(result.line, c.line) << c.list;
    EXPECT_EQ(reporter_.messages, c.messages) << c.list;
  }
}

TEST_F(PackArchiveTest, NamesUpToTheFieldsCapacityArePacked) {
  for (const auto& [length, status] : {std::pair{std::size_t{259}, PackStatus::kComplete},
                                       std::pair{std::size_t{260}, PackStatus::kNameTooLong}}) {
    archive_.Clear();
    const std::string name(length, 'n');
    files_.AddFile("C:\\build\\" + name, "x");
    EXPECT_EQ(Pack(std::string(kHeader) + "[filelist]\n" + name + "\n").status, status) << length;
  }
}

TEST_F(PackArchiveTest, CancelDuringTheFirstFileStopsAtOnce) {
  observer_.cancel_at = 1;
  const PackResult result = Pack(std::string(kHeader) + "[filelist]\napp.exe\ndocs\\guide.txt\n");
  EXPECT_EQ(result.status, PackStatus::kCancelled);
  EXPECT_EQ(result.line, "app.exe");
  EXPECT_THAT(observer_.reports, ElementsAre(::testing::_));
  EXPECT_THAT(Names(), ElementsAre("update.inf"));
  EXPECT_TRUE(reporter_.messages.empty());
}

TEST_F(PackArchiveTest, AnUnreadableScriptIsNotReplacedByTheFirstListedFile) {
  files_.AddFile("C:\\build\\update.inf", std::string(kHeader) + "[filelist]\napp.exe\n");
  UpdateInfo script(true);
  ASSERT_TRUE(script.LoadScriptFile(files_, "C:\\build\\update.inf"));
  ASSERT_TRUE(files_.RemoveFile("C:\\build\\update.inf"));
  const PackResult result = PackArchive(archive_, script, "update.inf", "C:\\build", nullptr);
  EXPECT_EQ(result.status, PackStatus::kScriptUnreadable);
  EXPECT_EQ(archive_.GetCount(), 0);
}

}  // namespace
}  // namespace quintarel
