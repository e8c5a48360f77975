#include "package/file_stream.h"

namespace quintarel {

std::unique_ptr<FileStream> FileStream::Open(FileSystem& files, const std::string& path, Mode mode,
                                             FileErrorCause* cause) {
  std::unique_ptr<File> file =
      mode == Mode::kRead ? files.OpenForRead(path, cause) : files.CreateNew(path, cause);
  if (!file) return nullptr;
  return std::make_unique<FileStream>(std::move(file), path);
}

FileStream::FileStream(std::unique_ptr<File> file, std::string path)
    : file_(std::move(file)), path_(std::move(path)) {}

void FileStream::Check(FileErrorCause cause) const {
  if (cause != FileErrorCause::kNone) throw FileError(cause, path_);
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
  if (!file_) throw FileError(FileErrorCause::kInvalidFile, path_);
  std::size_t read = 0;
  Check(file_->Read(buffer, count, &read));
  return read;
}

void FileStream::Write(const void* buffer, std::size_t count) {
  if (!file_) throw FileError(FileErrorCause::kInvalidFile, path_);
  Check(file_->Write(buffer, count));
}

std::uint64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  if (!file_) throw FileError(FileErrorCause::kInvalidFile, path_);
  std::uint64_t position = 0;
  Check(file_->Seek(offset, origin, &position));
  return position;
}

std::uint64_t FileStream::GetLength() {
  if (!file_) throw FileError(FileErrorCause::kInvalidFile, path_);
  std::uint64_t length = 0;
  Check(file_->GetLength(&length));
  return length;
}

void FileStream::SetLength(std::uint64_t length) {
  if (!file_) throw FileError(FileErrorCause::kInvalidFile, path_);
  Check(file_->SetLength(length));
}

void FileStream::Flush() {
  if (!file_) throw FileError(FileErrorCause::kInvalidFile, path_);
  Check(file_->Flush());
}

void FileStream::Close() {
  if (!file_) return;
  std::unique_ptr<File> file = std::move(file_);
  Check(file->Close());
}

}  // namespace quintarel
