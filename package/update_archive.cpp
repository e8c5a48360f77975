#include "package/update_archive.h"

#include <algorithm>
#include <array>
#include <limits>

#include "package/file_stream.h"
#include "package/file_writing.h"
#include "package/fixed_coding.h"
#include "package/path.h"
#include "package/lzss_codec.h"
#include "package/text.h"

namespace quintarel {

namespace fmt = archive_format;

namespace {

std::uint64_t BytesLeft(Stream& stream) {
  const std::uint64_t position = stream.Seek(0, SeekOrigin::kCurrent);
  const std::uint64_t length = stream.GetLength();
  return length > position ? length - position : 0;
}

void CopyStream(Stream& from, Stream& to) {
  std::array<std::uint8_t, fmt::kCopyChunk> buffer;
  for (;;) {
    const std::size_t n = from.Read(buffer.data(), buffer.size());
    if (n == 0) break;
    to.Write(buffer.data(), n);
  }
}

void Report(FileErrorReporter* reporter, FileErrorCause cause, const std::string& path) {
  if (reporter != nullptr) reporter->ShowFileError(FileError(cause, path));
}

std::int32_t ToStoredTime(std::int64_t seconds) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      seconds, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

bool ArchiveEntry::ReadFrom(Stream& stream) {
  std::array<std::uint8_t, fmt::kRecordSize> record{};
  if (ReadFully(stream, record.data(), record.size()) != record.size()) return false;

  const auto* name_begin = reinterpret_cast<const char*>(record.data());
  name_.assign(name_begin, std::find(name_begin, name_begin + fmt::kNameFieldSize, '\0'));
  stored_size_ = DecodeFixed32(&record[fmt::kStoredSizeOffset]);
  file_size_ = DecodeFixed32(&record[fmt::kFileSizeOffset]);
  compressed_ = DecodeFixed16(&record[fmt::kCompressedOffset]);
  creation_time_ = static_cast<std::int32_t>(DecodeFixed32(&record[fmt::kCreationTimeOffset]));
  write_time_ = static_cast<std::int32_t>(DecodeFixed32(&record[fmt::kWriteTimeOffset]));
  access_time_ = static_cast<std::int32_t>(DecodeFixed32(&record[fmt::kAccessTimeOffset]));

  // Check the claimed size against what is there before allocating for it.
  if (stored_size_ > BytesLeft(stream)) return false;
  std::vector<std::uint8_t> bytes(stored_size_);
  if (ReadFully(stream, bytes.data(), bytes.size()) != bytes.size()) return false;
  data_ = MemoryStream(std::move(bytes));
  return true;
}

bool ArchiveEntry::WriteTo(Stream& stream) {
  std::array<std::uint8_t, fmt::kRecordSize> record{};
  std::copy_n(name_.begin(), std::min(name_.size(), fmt::kMaxNameLength), record.begin());
  EncodeFixed32(&record[fmt::kStoredSizeOffset], stored_size_);
  EncodeFixed32(&record[fmt::kFileSizeOffset], file_size_);
  EncodeFixed16(&record[fmt::kCompressedOffset], compressed_);
  EncodeFixed32(&record[fmt::kCreationTimeOffset], static_cast<std::uint32_t>(creation_time_));
  EncodeFixed32(&record[fmt::kWriteTimeOffset], static_cast<std::uint32_t>(write_time_));
  EncodeFixed32(&record[fmt::kAccessTimeOffset], static_cast<std::uint32_t>(access_time_));
  stream.Write(record.data(), record.size());
  if (data_.size() != 0) stream.Write(data_.data(), data_.size());
  return true;
}

bool ArchiveEntry::LoadFile(FileSystem& files, const std::string& path, const std::string& name,
                            PercentProgress* progress, FileErrorReporter* reporter) {
  FileTimes times;
  if (!files.GetTimes(path, &times)) times = FileTimes{};

  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<FileStream> file = FileStream::Open(files, path, FileStream::Mode::kRead, &cause);
  if (!file) {
    Report(reporter, cause, path);
    return false;
  }

  try {
    const bool completed = LoadStream(*file, name, times, progress);
    file->Close();
    return completed;
  } catch (const FileError& error) {
    if (reporter != nullptr) reporter->ShowFileError(error);
    return false;
  }
}

bool ArchiveEntry::LoadStream(Stream& source, const std::string& name, const FileTimes& times,
                              PercentProgress* progress) {
  write_time_ = ToStoredTime(times.last_write);
  creation_time_ = ToStoredTime(times.creation != 0 ? times.creation : times.last_write);
  access_time_ = ToStoredTime(times.last_access != 0 ? times.last_access : times.last_write);
  name_ = name;
  source.Seek(0, SeekOrigin::kBegin);
  const std::uint64_t length = source.GetLength();
  if (length > std::numeric_limits<std::uint32_t>::max()) return false;
  file_size_ = static_cast<std::uint32_t>(length);
  data_.SetLength(0);
  if (progress != nullptr) progress->SetTotal(static_cast<std::int64_t>(length));

  LzssCodec codec;
  const bool completed = codec.Compress(data_, source,
                                        progress != nullptr ? &PercentProgress::Forward : nullptr,
                                        progress);
  compressed_ = 1;
  if (length <= data_.GetLength()) {
    compressed_ = 0;
    data_.SetLength(0);
    data_.Seek(0, SeekOrigin::kBegin);
    source.Seek(0, SeekOrigin::kBegin);
    CopyStream(source, data_);
  }
  stored_size_ = static_cast<std::uint32_t>(data_.size());
  return completed;
}

bool ArchiveEntry::ExtractTo(Stream& stream, PercentProgress* progress) {
  data_.Seek(0, SeekOrigin::kBegin);
  if (compressed_ == 0) {
    if (stored_size_ != file_size_ || data_.size() != file_size_) return false;
    CopyStream(data_, stream);
    return true;
  }
  if (progress != nullptr) progress->SetTotal(file_size_);
  BoundedOutput output(&stream, file_size_);
  try {
    LzssCodec codec;
    if (!codec.Expand(output, data_, progress != nullptr ? &PercentProgress::Forward : nullptr,
                      progress)) {
      return false;
    }
  } catch (const BoundedOutput::LimitExceeded&) {
    return false;
  }
  return output.written() == file_size_;
}

bool ArchiveEntry::ApplyTimes(FileSystem& files, const std::string& path) const {
  FileTimes current;
  if (!files.GetTimes(path, &current)) return false;
  if (write_time_ == 0) return true;
  return files.SetTimes(path, FileTimes{creation_time_, write_time_, access_time_});
}

UpdateArchive::UpdateArchive(FileSystem& files, FileErrorReporter* reporter)
    : files_(files), reporter_(reporter) {}

bool UpdateArchive::Open(const std::string& path) {
  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<FileStream> file = FileStream::Open(files_, path, FileStream::Mode::kRead, &cause);
  if (!file) return false;
  try {
    const bool ok = ReadFrom(*file);
    file->Close();
    return ok;
  } catch (const FileError&) {
    return false;
  }
}

bool UpdateArchive::ReadFrom(Stream& stream) {
  Clear();
  std::array<std::uint8_t, fmt::kHeaderSize> header{};
  if (ReadFully(stream, header.data(), header.size()) != header.size()) return false;
  if (!std::equal(fmt::kMagic.begin(), fmt::kMagic.end(), header.begin()) ||
      header[fmt::kMagic.size()] != 0) {
    return false;
  }
  if (DecodeFixed32(&header[fmt::kReservedOffset]) != 0) return false;

  const std::uint32_t count = DecodeFixed32(&header[fmt::kCountOffset]);
  // Every entry needs at least its record: a count the stream cannot hold
  // fails before anything is read.
  if (static_cast<std::uint64_t>(count) * fmt::kRecordSize > BytesLeft(stream)) return false;
  entries_.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    auto entry = std::make_unique<ArchiveEntry>();
    if (!entry->ReadFrom(stream)) return false;
    entries_.push_back(std::move(entry));
  }
  return true;
}

bool UpdateArchive::WriteTo(Stream& stream) {
  std::array<std::uint8_t, fmt::kHeaderSize> header{};
  std::copy(fmt::kMagic.begin(), fmt::kMagic.end(), header.begin());
  EncodeFixed32(&header[fmt::kCountOffset], static_cast<std::uint32_t>(entries_.size()));
  stream.Write(header.data(), header.size());
  for (const auto& entry : entries_) entry->WriteTo(stream);
  return true;
}

bool UpdateArchive::Save(const std::string& path) {
  const Replacement outcome = ReplaceFile(files_, path, [this](Stream& stream) { return WriteTo(stream); });
  if (!outcome.replaced) Report(reporter_, outcome.cause, path);
  return outcome.replaced;
}

bool UpdateArchive::AddFile(const std::string& name, const std::string& source_path,
                            PercentProgress* progress) {
  if (Find(name) != -1) return false;
  if (name.size() > fmt::kMaxNameLength) return false;
  auto entry = std::make_unique<ArchiveEntry>();
  if (!entry->LoadFile(files_, source_path, name, progress, reporter_)) return false;
  entries_.push_back(std::move(entry));
  return true;
}

bool UpdateArchive::AddEntry(std::unique_ptr<ArchiveEntry> entry) {
  if (Find(entry->name()) != -1 || entry->name().size() > fmt::kMaxNameLength) return false;
  entries_.push_back(std::move(entry));
  return true;
}

int UpdateArchive::Find(std::string_view name) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (EqualsIgnoringAsciiCase(entries_[i]->name(), name)) return static_cast<int>(i);
  }
  return -1;
}

bool UpdateArchive::ExtractAt(int index, Stream& stream, PercentProgress* progress) {
  if (index < 0 || index >= GetCount()) return false;
  return entry(index).ExtractTo(stream, progress);
}

bool UpdateArchive::ExtractByName(std::string_view name, Stream& stream,
                                  PercentProgress* progress) {
  const int index = Find(name);
  return index != -1 && ExtractAt(index, stream, progress);
}

bool UpdateArchive::ExtractToFile(const std::string& dest_path, std::string_view name,
                                  PercentProgress* progress, FileErrorCause* cause) {
  const int index = Find(name);
  if (index == -1) return false;
  if (!files_.Exists(dest_path)) {
    CreateParentFolders(files_, dest_path);
  } else {
    files_.SetArchiveAttributeOnly(dest_path);
  }
  Replacement outcome;
  try {
    outcome = ReplaceFile(files_, dest_path,
                          [&](Stream& stream) { return entry(index).ExtractTo(stream, progress); });
  } catch (const FileError& error) {
    if (cause != nullptr) *cause = error.cause();
    return false;
  }
  if (!outcome.replaced) {
    if (cause != nullptr && outcome.cause != FileErrorCause::kNone) *cause = outcome.cause;
    return false;
  }
  entry(index).ApplyTimes(files_, dest_path);
  return true;
}

}  // namespace quintarel
