#include "tools/upkit/archive_check.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "package/file_system.h"
#include "package/fixed_coding.h"
#include "package/lzss_codec.h"
#include "package/text.h"
#include "package/update_archive.h"
#include "tools/upkit/names.h"

namespace quintarel::upkit {

namespace fmt = archive_format;

namespace {

constexpr std::size_t kPaddingOffset = fmt::kCompressedOffset + 2;

std::size_t CountNonZero(std::span<const std::uint8_t> bytes) {
  return static_cast<std::size_t>(
      std::count_if(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; }));
}

class Checker {
 public:
  Checker(std::span<const std::uint8_t> bytes, ProgressSink sink, void* context)
      : bytes_(bytes), sink_(sink), context_(context) {}

  ArchiveReport Run() {
    std::uint32_t count = 0;
    if (CheckHeader(&count)) {
      bool complete = true;
      for (std::uint32_t index = 0; complete && index < count; ++index) {
        complete = CheckEntry(index, count);
        Progress(offset_);
      }
      if (complete && offset_ < bytes_.size()) {
        Problem("archive: " + std::to_string(bytes_.size() - offset_) +
                " bytes after the last entry (readers ignore them)");
      }
    }
    if (report_.problems.empty()) CrossCheckWithReader();
    return std::move(report_);
  }

 private:
  void Problem(std::string text) { report_.problems.push_back(std::move(text)); }

  void Progress(std::uint64_t examined) {
    if (sink_ != nullptr) sink_(context_, static_cast<std::int64_t>(examined));
  }

  std::size_t Left() const { return bytes_.size() - offset_; }

  bool CheckHeader(std::uint32_t* count) {
    if (bytes_.size() < fmt::kHeaderSize) {
      Problem("header: file is " + std::to_string(bytes_.size()) + " bytes, shorter than the " +
              std::to_string(fmt::kHeaderSize) + "-byte header");
      return false;
    }
    const auto magic = bytes_.first(fmt::kMagicFieldSize);
    if (!std::equal(fmt::kMagic.begin(), fmt::kMagic.end(), magic.begin()) ||
        magic[fmt::kMagic.size()] != 0) {
      Problem("header: magic text missing, not an update archive");
      return false;
    }
    if (const std::size_t stray = CountNonZero(magic.subspan(fmt::kMagic.size() + 1))) {
      Problem("header: " + std::to_string(stray) +
              " non-zero bytes after the magic text, written as zero");
    }
    const std::uint32_t reserved = DecodeFixed32(&bytes_[fmt::kReservedOffset]);
    if (reserved != 0) {
      Problem("header: reserved field is " + std::to_string(reserved) + ", expected 0");
    }
    *count = DecodeFixed32(&bytes_[fmt::kCountOffset]);
    offset_ = fmt::kHeaderSize;
    return true;
  }

  // False when the file ends inside this entry, so nothing after it can be
  // located.
  bool CheckEntry(std::uint32_t index, std::uint32_t count) {
    std::string where = "entry " + std::to_string(index);
    if (Left() == 0) {
      Problem(where + ": missing, the file ends after " + std::to_string(index) + " of " +
              std::to_string(count) + " entries");
      return false;
    }
    if (Left() < fmt::kRecordSize) {
      Problem(where + ": record cut short: " + std::to_string(Left()) + " of " +
              std::to_string(fmt::kRecordSize) + " bytes present");
      return false;
    }
    ++report_.entries;
    const std::uint8_t* record = &bytes_[offset_];
    offset_ += fmt::kRecordSize;

    const auto name_field = std::span(record, fmt::kNameFieldSize);
    const auto nul = std::find(name_field.begin(), name_field.end(), 0);
    const std::string name(name_field.begin(), nul);
    where += " (" + PrintableName(name) + ")";
    if (nul == name_field.end()) {
      Problem(where + ": name has no terminating NUL within " +
              std::to_string(fmt::kNameFieldSize) + " bytes");
    } else if (const std::size_t stray = CountNonZero(std::span(nul + 1, name_field.end()))) {
      Problem(where + ": " + std::to_string(stray) +
              " non-zero bytes after the name's NUL, written as zero");
    }
    if (name.empty()) Problem(where + ": name is empty");
    const auto [first, inserted] = first_index_.try_emplace(AsciiLowercase(name), index);
    if (!inserted) {
      Problem(where + ": same name as entry " + std::to_string(first->second) +
              " when letter case is ignored");
    }

    const std::uint32_t stored_size = DecodeFixed32(record + fmt::kStoredSizeOffset);
    const std::uint32_t file_size = DecodeFixed32(record + fmt::kFileSizeOffset);
    const std::uint16_t compressed = DecodeFixed16(record + fmt::kCompressedOffset);
    const std::uint16_t padding = DecodeFixed16(record + kPaddingOffset);
    if (compressed > 1) {
      Problem(where + ": compressed flag is " + std::to_string(compressed) + ", written as 0 or 1");
    }
    if (padding != 0) {
      Problem(where + ": padding field is " + std::to_string(padding) + ", expected 0");
    }
    if (compressed == 0 && stored_size != file_size) {
      Problem(where + ": stored uncompressed, but storedSize " + std::to_string(stored_size) +
              " differs from fileSize " + std::to_string(file_size));
    }
    if (stored_size > Left()) {
      Problem(where + ": data cut short: " + std::to_string(Left()) + " of " +
              std::to_string(stored_size) + " bytes present");
      return false;
    }
    const auto data = bytes_.subspan(offset_, stored_size);
    if (compressed != 0) CheckExpansion(where, data, file_size);
    if (compressed == 0) report_.expanded_bytes += stored_size;
    offset_ += stored_size;
    return true;
  }

  struct ExpansionProgress {
    Checker* checker;
    std::uint64_t data_offset;
    std::uint64_t stored_size;
    std::uint64_t file_size;
  };

  // The codec reports bytes written; the bar counts file bytes examined.
  static bool ForwardExpansion(void* context, std::int64_t written) {
    const auto& progress = *static_cast<ExpansionProgress*>(context);
    const std::uint64_t fraction =
        progress.file_size == 0
            ? 0
            : std::min(progress.stored_size, static_cast<std::uint64_t>(written) *
                                                 progress.stored_size / progress.file_size);
    progress.checker->Progress(progress.data_offset + fraction);
    return true;
  }

  void CheckExpansion(const std::string& where, std::span<const std::uint8_t> data,
                      std::uint32_t file_size) {
    ByteView input(data);
    BoundedOutput output(nullptr, file_size);
    ExpansionProgress progress{this, offset_, data.size(), file_size};
    bool ended = false;
    try {
      LzssCodec codec;
      ended = codec.Expand(output, input, sink_ != nullptr ? &ForwardExpansion : nullptr,
                           &progress);
    } catch (const BoundedOutput::LimitExceeded&) {
      Problem(where + ": expands to more than its fileSize of " + std::to_string(file_size) +
              " bytes");
      return;
    }
    if (!ended) {
      Problem(where + ": compressed data ends before its end marker, after " +
              std::to_string(output.written()) + " of " + std::to_string(file_size) + " bytes");
      return;
    }
    report_.expanded_bytes += output.written();
    if (output.written() != file_size) {
      Problem(where + ": expands to " + std::to_string(output.written()) + " bytes, expected " +
              std::to_string(file_size));
    }
    if (input.position() != data.size()) {
      Problem(where + ": " + std::to_string(data.size() - input.position()) +
              " stored bytes after the end marker");
    }
  }

  // The rules above are meant to match the archive reader; if an archive
  // passes them and the reader still refuses it, say so rather than "OK".
  void CrossCheckWithReader() {
    UpdateArchive archive(OperatingSystemFiles());
    ByteView view(bytes_);
    if (!archive.ReadFrom(view)) Problem("archive: the archive reader refuses this file");
  }

  std::span<const std::uint8_t> bytes_;
  ProgressSink sink_;
  void* context_;
  std::size_t offset_ = 0;
  std::unordered_map<std::string, std::uint32_t> first_index_;
  ArchiveReport report_;
};

}  // namespace

ArchiveReport CheckArchive(std::span<const std::uint8_t> bytes, ProgressSink sink, void* context) {
  return Checker(bytes, sink, context).Run();
}

}  // namespace quintarel::upkit
