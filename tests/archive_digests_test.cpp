#include "package/archive_digests.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/stream.h"
#include "tests/support/memory_file_system.h"

namespace quintarel {
namespace {

namespace fmt = archive_format;
using testing::MemoryFileSystem;

class ArchiveDigestsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.AddFile("update.inf", "[Quintarel Corporation UpdateInfo]\r\nformat=0\r\n");
    files_.AddFile("docs\\text.txt", std::string(200, 'a') + "tail");  // stored compressed
    files_.AddFile("app.exe", std::string("MZ\x90\x00\x03", 5));        // stored as it is
    UpdateArchive archive(files_);
    for (const char* name : {"update.inf", "docs\\text.txt", "app.exe"}) {
      ASSERT_TRUE(archive.AddFile(name, nullptr));
    }
    ASSERT_EQ(archive.entry(1).compressed(), 1);
    ASSERT_EQ(archive.entry(2).compressed(), 0);
    Seal(archive);
    sealed_ = Bytes(archive);
  }

  static void Seal(UpdateArchive& archive) {
    std::vector<Sha256Digest> digests;
    for (int i = 0; i < archive.GetCount(); ++i) digests.push_back(*DigestOfEntry(archive, i));
    SealArchive(archive, digests);
  }

  static std::vector<std::uint8_t> Bytes(UpdateArchive& archive) {
    MemoryStream out;
    archive.WriteTo(out);
    return out.TakeBytes();
  }

  // The archive in bytes as a reader takes it; null when it refuses it.
  std::unique_ptr<UpdateArchive> Read(const std::vector<std::uint8_t>& bytes) {
    auto archive = std::make_unique<UpdateArchive>(files_);
    MemoryStream stream(bytes);
    if (!archive->ReadFrom(stream)) return nullptr;
    return archive;
  }

  // The sealed archive with the digest entry's text replaced.
  std::vector<std::uint8_t> WithSeal(const std::string& text) {
    std::unique_ptr<UpdateArchive> archive = Read(sealed_);
    MemoryStream stream(std::vector<std::uint8_t>(text.begin(), text.end()));
    archive->entry(3).LoadStream(stream, std::string(kDigestEntryName), FileTimes{}, nullptr);
    return Bytes(*archive);
  }

  std::string SealText() {
    MemoryStream text;
    Read(sealed_)->ExtractAt(3, text, nullptr);
    return std::string(text.data(), text.data() + text.size());
  }

  MemoryFileSystem files_;
  std::vector<std::uint8_t> sealed_;
};

TEST_F(ArchiveDigestsTest, TheSealListsEveryOtherEntryAsSha256SumReadsIt) {
  const std::unique_ptr<UpdateArchive> archive = Read(sealed_);
  // Reproducible builds need times that do not come from the clock.
  EXPECT_EQ(archive->entry(3).write_time(), archive->entry(0).write_time());
  // "MZ\x90\0\x03", hashed by a tool apart from ours.
  EXPECT_THAT(SealText(), ::testing::EndsWith("bc002d37a0c06a225d018c7b020c4e312e834b37ec9a3d973dee286fdc80c62f  app.exe\n"));
  EXPECT_EQ(CheckDigests(*archive).state, DigestCheck::State::kSound);
}

// Every bit of every entry's stored data is flipped in turn. A flip that
// changes what an entry expands to, or that breaks its stream, must be
// refused; only bits that the stream never reads change nothing.
TEST_F(ArchiveDigestsTest, EveryFlippedBitThatChangesAnEntryIsRefused) {
  const std::unique_ptr<UpdateArchive> original = Read(sealed_);
  std::vector<std::string> expanded;
  for (int i = 0; i < original->GetCount(); ++i) {
    MemoryStream out;
    ASSERT_TRUE(original->ExtractAt(i, out, nullptr));
    expanded.emplace_back(out.data(), out.data() + out.size());
  }
  std::size_t position = fmt::kHeaderSize;
  int harmless = 0;
  int flips = 0;
  for (int i = 0; i < original->GetCount(); ++i) {
    position += fmt::kRecordSize;
    for (std::size_t byte = 0; byte < original->entry(i).stored_size(); ++byte) {
      for (int bit = 0; bit < 8; ++bit) {
        std::vector<std::uint8_t> damaged = sealed_;
        damaged[position + byte] ^= static_cast<std::uint8_t>(1 << bit);
        const std::unique_ptr<UpdateArchive> archive = Read(damaged);
        ASSERT_NE(archive, nullptr);
        MemoryStream out;
        const bool same = archive->ExtractAt(i, out, nullptr) &&
                          std::string(out.data(), out.data() + out.size()) == expanded[i];
        const DigestCheck check = CheckDigests(*archive);
        EXPECT_EQ(check.sound(), same) << "entry " << i << " byte " << byte << " bit " << bit;
        if (!same && i < 3 && check.state == DigestCheck::State::kDamaged) {
          EXPECT_EQ(check.damaged, std::vector<int>{i});
        }
        harmless += same ? 1 : 0;
        ++flips;
      }
    }
    position += original->entry(i).stored_size();
  }
  // Bits that a stream never reads (after its end marker) are few.
  EXPECT_LT(harmless * 20, flips) << harmless << " of " << flips;
}

TEST_F(ArchiveDigestsTest, ASealThatDoesNotListTheEntriesIsMalformed) {
  const std::string text = SealText();
  const std::size_t second = text.find('\n') + 1;
  std::string upper = text;
  upper.replace(0, 1, "A");
  const std::pair<std::string, std::string> cases[] = {
      {"a line missing", text.substr(second)},
      {"an extra line", text + text.substr(0, second)},
      {"no last line feed", text.substr(0, text.size() - 1)},
      {"one space", text.substr(0, 64) + text.substr(65)},
      {"a name not in the archive", text.substr(0, 66) + "other.inf" + text.substr(text.find('\n'))},
      {"lines in another order", text.substr(second, text.find('\n', second) + 1 - second) +
                                     text.substr(0, second) + text.substr(text.find('\n', second) + 1)},
      {"empty", ""},
      {"an upper-case digit", upper},
  };
  for (const auto& [what, seal] : cases) {
    EXPECT_EQ(CheckDigests(*Read(WithSeal(seal))).state, DigestCheck::State::kMalformed) << what;
  }
}

TEST_F(ArchiveDigestsTest, OnlyALastSealCountsAndNoSealIsNoCheck) {
  std::unique_ptr<UpdateArchive> extended = Read(sealed_);
  files_.AddFile("late.txt", "late");
  ASSERT_TRUE(extended->AddFile("late.txt", nullptr));
  EXPECT_EQ(CheckDigests(*extended).state, DigestCheck::State::kMalformed);

  UpdateArchive plain(files_);
  for (const char* name : {"update.inf", "app.exe"}) ASSERT_TRUE(plain.AddFile(name, nullptr));
  EXPECT_EQ(CheckDigests(plain).state, DigestCheck::State::kUnsealed);
  EXPECT_EQ(CountFileEntries(plain), 2);
}

}  // namespace
}  // namespace quintarel
