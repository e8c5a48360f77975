#include "package/archive_digests.h"

#include <memory>

#include "package/text.h"

namespace quintarel {

namespace {

constexpr std::size_t kHexDigits = 2 * std::tuple_size_v<Sha256Digest>;
constexpr std::string_view kNameGap = "  ";

// Hashes what is written to it, as an entry expands.
class HashingOutput final : public Stream {
 public:
  explicit HashingOutput(Sha256& hash) : hash_(hash) {}

  std::size_t Read(void*, std::size_t) override { return 0; }
  void Write(const void* buffer, std::size_t count) override {
    hash_.Update(static_cast<const std::uint8_t*>(buffer), count);
  }
  std::uint64_t Seek(std::int64_t, SeekOrigin) override { return 0; }
  std::uint64_t GetLength() override { return 0; }
  void SetLength(std::uint64_t) override {}
  void Close() override {}

 private:
  Sha256& hash_;
};

std::string Hex(const Sha256Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const std::uint8_t byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  // Lower case only, as written: then no changed bit of a seal goes unseen.
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<Sha256Digest> ParseHex(std::string_view hex) {
  Sha256Digest digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) {
    const int high = HexValue(hex[2 * i]);
    const int low = HexValue(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return digest;
}

DigestCheck Malformed(std::string problem) {
  DigestCheck check;
  check.state = DigestCheck::State::kMalformed;
  check.problem = std::move(problem);
  return check;
}

// The digests that the digest entry at index lists for the entries before
// it, or why it cannot be read as their seal.
std::optional<std::vector<Sha256Digest>> ReadSeal(UpdateArchive& archive, int index, std::string* problem) {
  // Longer than a line for each entry can be means it is no seal; it is
  // not expanded then.
  const std::uint64_t longest =
      static_cast<std::uint64_t>(index) * (kHexDigits + kNameGap.size() + archive_format::kMaxNameLength + 1);
  MemoryStream text;
  if (archive.entry(index).file_size() > longest || !archive.ExtractAt(index, text, nullptr)) {
    *problem = "the digest entry is damaged";
    return std::nullopt;
  }
  const std::string_view lines(reinterpret_cast<const char*>(text.data()), text.size());
  std::vector<Sha256Digest> digests;
  std::size_t start = 0;
  while (start < lines.size()) {
    const std::size_t end = lines.find('\n', start);
    const std::string line_number = std::to_string(digests.size() + 1);
    if (end == std::string_view::npos) {
      *problem = "line " + line_number + " of the digest entry does not end";
      return std::nullopt;
    }
    const std::string_view line = lines.substr(start, end - start);
    const auto entry = static_cast<int>(digests.size());
    if (entry >= index) {
      *problem = "the digest entry has more lines than the archive has entries";
      return std::nullopt;
    }
    std::optional<Sha256Digest> digest;
    if (line.size() >= kHexDigits + kNameGap.size() &&
        line.substr(kHexDigits, kNameGap.size()) == kNameGap) {
      digest = ParseHex(line.substr(0, kHexDigits));
    }
    if (!digest) {
      *problem = "line " + line_number + " of the digest entry is not a digest and a name";
      return std::nullopt;
    }
    if (line.substr(kHexDigits + kNameGap.size()) != archive.entry(entry).name()) {
      *problem = "line " + line_number + " of the digest entry does not name entry " + line_number;
      return std::nullopt;
    }
    digests.push_back(*digest);
    start = end + 1;
  }
  if (static_cast<int>(digests.size()) != index) {
    *problem = "the digest entry lists " + std::to_string(digests.size()) + " of the " +
               std::to_string(index) + " other entries";
    return std::nullopt;
  }
  return digests;
}

}  // namespace

bool IsDigestEntryName(std::string_view name) { return EqualsIgnoringAsciiCase(name, kDigestEntryName); }

int CountFileEntries(const UpdateArchive& archive) {
  int count = 0;
  for (int i = 0; i < archive.GetCount(); ++i) count += IsDigestEntryName(archive.entry(i).name()) ? 0 : 1;
  return count;
}

std::optional<Sha256Digest> DigestOf(std::span<const std::uint8_t> bytes) {
  const std::unique_ptr<Sha256> hash = NewSha256();
  if (!hash) return std::nullopt;
  hash->Update(bytes.data(), bytes.size());
  return hash->Finish();
}

std::optional<Sha256Digest> DigestOfEntry(UpdateArchive& archive, int index) {
  const std::unique_ptr<Sha256> hash = NewSha256();
  if (!hash) return std::nullopt;
  HashingOutput output(*hash);
  if (!archive.ExtractAt(index, output, nullptr)) return std::nullopt;
  return hash->Finish();
}

void SealArchive(UpdateArchive& archive, const std::vector<Sha256Digest>& digests) {
  std::string lines;
  for (int i = 0; i < archive.GetCount(); ++i) {
    lines += Hex(digests.at(static_cast<std::size_t>(i)));
    lines += kNameGap;
    lines += archive.entry(i).name();
    lines += '\n';
  }
  MemoryStream text(std::vector<std::uint8_t>(lines.begin(), lines.end()));
  auto entry = std::make_unique<ArchiveEntry>();
  entry->LoadStream(text, std::string(kDigestEntryName), FileTimes{}, nullptr);
  const ArchiveEntry& script = archive.entry(0);
  entry->set_times(script.creation_time(), script.write_time(), script.access_time());
  archive.AddEntry(std::move(entry));
}

DigestCheck CheckDigests(UpdateArchive& archive) {
  const int count = archive.GetCount();
  int seal = -1;
  for (int i = 0; i < count; ++i) {
    if (!IsDigestEntryName(archive.entry(i).name())) continue;
    if (seal != -1) return Malformed("the archive has more than one digest entry");
    seal = i;
  }
  if (seal == -1) return {};
  if (seal != count - 1) return Malformed("the digest entry is not the last entry");
  DigestCheck check;
  const std::optional<std::vector<Sha256Digest>> sealed = ReadSeal(archive, seal, &check.problem);
  if (!sealed) return Malformed(check.problem);
  if (!NewSha256()) {
    check.state = DigestCheck::State::kCannotHash;
    return check;
  }
  for (int i = 0; i < seal; ++i) {
    const std::optional<Sha256Digest> digest = DigestOfEntry(archive, i);
    if (digest != (*sealed)[static_cast<std::size_t>(i)]) check.damaged.push_back(i);
  }
  check.state = check.damaged.empty() ? DigestCheck::State::kSound : DigestCheck::State::kDamaged;
  return check;
}

}  // namespace quintarel
