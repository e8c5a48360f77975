#ifndef PACKAGE_FILE_STREAM_H_
#define PACKAGE_FILE_STREAM_H_

#include <memory>
#include <string>

#include "package/file_system.h"
#include "package/stream.h"

namespace quintarel {

// A Stream over an open file. A failing read, write or seek raises FileError
// with the cause and the file name.
class FileStream final : public Stream {
 public:
  enum class Mode { kRead, kCreateNew };

  // Opens path without sharing: an existing file for reading, or a new one
  // for writing (see FileSystem::CreateNew). Null on failure, with the cause in *cause.
  static std::unique_ptr<FileStream> Open(FileSystem& files, const std::string& path, Mode mode,
                                          FileErrorCause* cause);

  FileStream(std::unique_ptr<File> file, std::string path);

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::uint64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::uint64_t GetLength() override;
  void SetLength(std::uint64_t length) override;
  // Writes what the file holds through to the disk (File::Flush).
  void Flush();
  // Closes the file; raises FileError when what it held cannot be written.
  void Close() override;

  const std::string& path() const { return path_; }

 private:
  void Check(FileErrorCause cause) const;

  std::unique_ptr<File> file_;
  std::string path_;
};

}  // namespace quintarel

#endif  // PACKAGE_FILE_STREAM_H_
