#include "tools/upkit/source_file.h"

#include <limits>
#include <memory>

#include "package/file_stream.h"
#include "tools/upkit/file_kind.h"

namespace quintarel::upkit {

std::string NotAFileReason(const std::string& path) {
  switch (KindOf(path)) {
    case FileKind::kMissing:
    case FileKind::kFile:
      return std::string();
    case FileKind::kFolder:
      return DisplayPath(path) + " is a folder, not a file.";
    case FileKind::kOther:
      return DisplayPath(path) + " is not a file but a device, pipe or socket.";
  }
  return std::string();
}

bool ReadSourceFile(FileSystem& files, const std::string& path, SourceFile* file,
                    std::string* error) {
  if (std::string reason = NotAFileReason(path); !reason.empty()) {
    *error = std::move(reason);
    return false;
  }
  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<FileStream> stream =
      FileStream::Open(files, path, FileStream::Mode::kRead, &cause);
  if (!stream) {
    *error = FormatFileError(cause, DisplayPath(path));
    return false;
  }
  try {
    const std::uint64_t length = stream->GetLength();
    if (length > std::numeric_limits<std::uint32_t>::max()) {
      *error = DisplayPath(path) + " is too large for an archive entry (4 GiB or more).";
      return false;
    }
    // One byte beyond the length shows a file that holds more than it claims.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length) + 1);
    const std::size_t total = ReadFully(*stream, bytes.data(), bytes.size());
    stream->Close();
    if (total != length) {
      *error = DisplayPath(path) + " claims " + std::to_string(length) + " bytes but " +
               (total > length ? "holds more" : "holds " + std::to_string(total)) +
               "; it is not an ordinary file, or it changed while it was read.";
      return false;
    }
    bytes.resize(total);
    file->bytes = std::move(bytes);
  } catch (const FileError& failure) {
    *error = FormatFileError(failure.cause(), DisplayPath(path));
    return false;
  }
  if (!files.GetTimes(path, &file->times)) file->times = FileTimes{};
  return true;
}

}  // namespace quintarel::upkit
