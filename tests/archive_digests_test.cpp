#include "package/archive_digests.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "package/stream.h"
#include "tests/support/memory_file_system.h"

namespace quintarel {
namespace {

using State = DigestCheck::State;
using testing::MemoryFileSystem;

class ArchiveDigestsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.AddFile("update.inf", "[Quintarel Corporation UpdateInfo]\r\nformat=0\r\n");
    files_.AddFile("docs\\text.txt", std::string(200, 'a') + "tail");  // stored compressed
    files_.AddFile("app.exe", std::string("MZ\x90\x00\x03", 5));        // stored as it is
    UpdateArchive archive(files_);
    std::vector<Sha256Digest> digests;
    for (const char* name : {"update.inf", "docs\\text.txt", "app.exe"}) {
      ASSERT_TRUE(archive.AddFile(name, nullptr));
      digests.push_back(*DigestOfEntry(archive, archive.GetCount() - 1));
    }
    ASSERT_EQ(archive.entry(1).compressed(), 1);
    ASSERT_EQ(archive.entry(2).compressed(), 0);
    SealArchive(archive, digests);
    MemoryStream out;
    archive.WriteTo(out);
    sealed_ = out.TakeBytes();
    const std::optional<std::vector<std::uint8_t>> text = Expand(*Read(sealed_), 3);
    seal_.assign(text->begin(), text->end());
  }

  static std::optional<std::vector<std::uint8_t>> Expand(UpdateArchive& archive, int index) {
    MemoryStream out;
    return archive.ExtractAt(index, out, nullptr) ? std::optional(out.TakeBytes()) : std::nullopt;
  }

  // The archive in bytes as a reader takes it; null when it refuses it.
  std::unique_ptr<UpdateArchive> Read(const std::vector<std::uint8_t>& bytes) {
    auto archive = std::make_unique<UpdateArchive>(files_);
    MemoryStream stream(bytes);
    return archive->ReadFrom(stream) ? std::move(archive) : nullptr;
  }

  MemoryFileSystem files_;
  std::vector<std::uint8_t> sealed_;
  std::string seal_;  // the digest entry's text
};

// Every bit of every entry's stored data is flipped in turn: a flip that
// changes what the entry expands to, or breaks its stream, must be refused.
TEST_F(ArchiveDigestsTest, EveryFlippedBitThatChangesAnEntryIsRefused) {
  const std::unique_ptr<UpdateArchive> original = Read(sealed_);
  std::size_t position = archive_format::kHeaderSize;
  int harmless = 0, flips = 0;
  for (int i = 0; i < original->GetCount(); ++i) {
    const std::optional<std::vector<std::uint8_t>> expected = Expand(*original, i);
    ASSERT_TRUE(expected.has_value());
    position += archive_format::kRecordSize;
    for (std::size_t bit = 0; bit < original->entry(i).stored_size() * 8; ++bit, ++flips) {
      std::vector<std::uint8_t> damaged = sealed_;
      damaged[position + bit / 8] ^= static_cast<std::uint8_t>(1 << (bit % 8));
      const std::unique_ptr<UpdateArchive> archive = Read(damaged);
      ASSERT_NE(archive, nullptr);
      const bool same = Expand(*archive, i) == expected;
      const DigestCheck check = CheckDigests(*archive);
      EXPECT_EQ(check.sound(), same) << "entry " << i << " bit " << bit;
      if (!same && i < 3 && check.state == State::kDamaged) {
        EXPECT_EQ(check.damaged, std::vector<int>{i});
      }
      harmless += same ? 1 : 0;
    }
    position += original->entry(i).stored_size();
  }
  // Bits that a stream never reads (after its end marker) are few.
  EXPECT_LT(harmless * 20, flips) << harmless << " of " << flips;
}

TEST_F(ArchiveDigestsTest, TheSealIsInSha256SumFormAndRefusedWhenMalformedOrNotLast) {
  // "MZ\x90\0\x03", hashed by a tool apart from ours.
  EXPECT_THAT(seal_, ::testing::EndsWith("bc002d37a0c06a225d018c7b020c4e312e834b37ec9a3d973dee286fdc80c62f  app.exe\n"));
  EXPECT_EQ(CheckDigests(*Read(sealed_)).state, State::kSound);
  EXPECT_EQ(CountFileEntries(*Read(sealed_)), 3);
  const std::size_t second = seal_.find('\n') + 1;
  const std::pair<const char*, std::string> cases[] = {
      {"a line missing", seal_.substr(second)},
      {"an extra line", seal_ + seal_.substr(0, second)},
      {"no last line feed", seal_.substr(0, seal_.size() - 1)},
      {"one space", seal_.substr(0, 64) + seal_.substr(65)},
      {"a name not in the archive", seal_.substr(0, 66) + "other.inf" + seal_.substr(second - 1)},
      {"empty", ""},
  };
  for (const auto& [what, text] : cases) {
    std::unique_ptr<UpdateArchive> archive = Read(sealed_);
    MemoryStream stream(std::vector<std::uint8_t>(text.begin(), text.end()));
    archive->entry(3).LoadStream(stream, std::string(kDigestEntryName), FileTimes{}, nullptr);
    EXPECT_EQ(CheckDigests(*archive).state, State::kMalformed) << what;
  }
  std::unique_ptr<UpdateArchive> extended = Read(sealed_);
  files_.AddFile("late.txt", "late");
  ASSERT_TRUE(extended->AddFile("late.txt", nullptr));
  EXPECT_EQ(CheckDigests(*extended).state, State::kMalformed) << "an entry after the seal";
}

}  // namespace
}  // namespace quintarel
