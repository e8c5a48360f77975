#ifndef PACKAGE_UPDATE_ARCHIVE_H_
#define PACKAGE_UPDATE_ARCHIVE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "package/file_error.h"
#include "package/file_stream.h"
#include "package/file_system.h"
#include "package/progress.h"
#include "package/stream.h"

namespace quintarel {

// On-disk layout of an update archive. All integers are little-endian.
namespace archive_format {
inline constexpr std::string_view kMagic = "Quintarel Corporation : update archive";
inline constexpr std::size_t kMagicFieldSize = 64;
inline constexpr std::size_t kReservedOffset = 64;
inline constexpr std::size_t kCountOffset = 68;
inline constexpr std::size_t kHeaderSize = 72;

inline constexpr std::size_t kNameFieldSize = 260;
inline constexpr std::size_t kMaxNameLength = kNameFieldSize - 1;
inline constexpr std::size_t kStoredSizeOffset = 260;
inline constexpr std::size_t kFileSizeOffset = 264;
inline constexpr std::size_t kCompressedOffset = 268;
inline constexpr std::size_t kCreationTimeOffset = 272;
inline constexpr std::size_t kWriteTimeOffset = 276;
inline constexpr std::size_t kAccessTimeOffset = 280;
inline constexpr std::size_t kRecordSize = 284;

inline constexpr std::size_t kCopyChunk = 1024;
}  // namespace archive_format

// One stored file: its record fields and its stored bytes.
class ArchiveEntry {
 public:
  ArchiveEntry() = default;

  // Reads one record and its data from the stream's position. False when
  // the stream ends before the record or its data is complete.
  bool ReadFrom(Stream& stream);
  // Writes the record and the data.
  bool WriteTo(Stream& stream);
  // Takes the file at path under the given name: its times, its length and
  // its bytes, compressed when that makes them smaller. False when the file
  // cannot be read (the reporter is told why), is too large for the format,
  // or progress asked to stop.
  bool LoadFile(FileSystem& files, const std::string& path, const std::string& name,
                PercentProgress* progress, FileErrorReporter* reporter);
  // Takes all of source under name, as LoadFile takes a file: fileSize is
  // the source's length, and a creation or access time of 0 becomes the
  // write time. False when the source is too large for the format or
  // progress asked to stop. Stream errors (FileError) propagate.
  bool LoadStream(Stream& source, const std::string& name, const FileTimes& times,
                  PercentProgress* progress);
  // Writes the uncompressed bytes to the stream. False when the stored data
  // is damaged (does not expand to exactly fileSize bytes) or progress asked
  // to stop.
  bool ExtractTo(Stream& stream, PercentProgress* progress);
  // Gives the file at path the stored times; leaves them alone when the
  // stored write time is 0. False when the file does not exist.
  bool ApplyTimes(FileSystem& files, const std::string& path) const;

  const std::string& name() const { return name_; }
  std::uint32_t stored_size() const { return stored_size_; }
  std::uint32_t file_size() const { return file_size_; }
  std::uint16_t compressed() const { return compressed_; }
  std::int32_t creation_time() const { return creation_time_; }
  std::int32_t write_time() const { return write_time_; }
  std::int32_t access_time() const { return access_time_; }
  const MemoryStream& data() const { return data_; }

  void set_times(std::int32_t creation, std::int32_t write, std::int32_t access) {
    creation_time_ = creation;
    write_time_ = write;
    access_time_ = access;
  }

 private:
  std::string name_;
  std::uint32_t stored_size_ = 0;
  std::uint32_t file_size_ = 0;
  std::uint16_t compressed_ = 0;
  std::int32_t creation_time_ = 0;
  std::int32_t write_time_ = 0;
  std::int32_t access_time_ = 0;
  MemoryStream data_;
};

// An update archive held wholly in memory.
class UpdateArchive {
 public:
  // reporter, when given, is told about files that cannot be opened or
  // written while adding and saving.
  explicit UpdateArchive(FileSystem& files, FileErrorReporter* reporter = nullptr);

  // Reads the archive at path. False, silently, when it cannot be opened or
  // is not a well-formed archive.
  bool Open(const std::string& path);
  // Replaces the content with the archive at the stream's position. False
  // on a short header, a wrong magic, a non-zero reserved field, or an entry
  // that is cut short or claims more data than the stream holds.
  bool ReadFrom(Stream& stream);
  // Writes the archive to path. The bytes go to a temporary file beside it
  // that replaces path only when complete, so a failure leaves whatever was
  // at path untouched. The reporter is told about a failure.
  bool Save(const std::string& path);
  bool WriteTo(Stream& stream);
  // Adds the file at path as the last entry, named by path. False for a
  // name already present (in any letter case), a name longer than the
  // format holds, a file that cannot be read, or a stop request.
  bool AddFile(const std::string& path, PercentProgress* progress) {
    return AddFile(path, path, progress);
  }
  // The same for a file read from source_path but stored under name.
  bool AddFile(const std::string& name, const std::string& source_path,
               PercentProgress* progress);
  // Appends an entry loaded elsewhere, e.g. on another thread. False, with
  // the archive unchanged, for a name already present or too long.
  bool AddEntry(std::unique_ptr<ArchiveEntry> entry);

  // Index of the first entry whose name equals name, ASCII letters compared
  // without regard to case; -1 when there is none.
  int Find(std::string_view name) const;
  int GetCount() const { return static_cast<int>(entries_.size()); }
  const ArchiveEntry& entry(int index) const { return *entries_[static_cast<std::size_t>(index)]; }
  ArchiveEntry& entry(int index) { return *entries_[static_cast<std::size_t>(index)]; }

  // Writes the uncompressed bytes of an entry to the stream. False for an
  // index out of range, a damaged entry or a stop request.
  bool ExtractAt(int index, Stream& stream, PercentProgress* progress);
  bool ExtractByName(std::string_view name, Stream& stream, PercentProgress* progress);
  // Writes the named entry to dest_path, creating missing parent folders
  // and clearing the read-only attribute of a file that is there, then
  // applies the stored times. The new bytes replace the file only once the
  // whole entry has been expanded; on any failure the old file is unchanged.
  // A failure to create, write or rename a file gives its cause in *cause
  // (when given); other failures leave *cause alone.
  bool ExtractToFile(const std::string& dest_path, std::string_view name,
                     PercentProgress* progress, FileErrorCause* cause = nullptr);
  void Clear() { entries_.clear(); }

 private:
  FileSystem& files_;
  FileErrorReporter* reporter_;
  std::vector<std::unique_ptr<ArchiveEntry>> entries_;
};

}  // namespace quintarel

#endif  // PACKAGE_UPDATE_ARCHIVE_H_
