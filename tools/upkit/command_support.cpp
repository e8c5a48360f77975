#include <cstdint>
#include <cstdio>
#include <memory>

#include "package/file_stream.h"
#include "tools/upkit/commands.h"

namespace quintarel::upkit {

void PrintError(std::string_view message) {
  std::fprintf(stderr, "upkit: %.*s\n", static_cast<int>(message.size()), message.data());
}

bool OpenArchive(const std::string& path, UpdateArchive& archive) {
  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<FileStream> file =
      FileStream::Open(OperatingSystemFiles(), path, FileStream::Mode::kRead, &cause);
  if (!file) {
    PrintError(FormatFileError(cause, path));
    return false;
  }
  if (!archive.ReadFrom(*file)) {
    PrintError(path + " is not a well-formed update archive (upkit verify says why)");
    return false;
  }
  file->Close();
  return true;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<FileStream> file =
      FileStream::Open(OperatingSystemFiles(), path, FileStream::Mode::kRead, &cause);
  if (!file) {
    PrintError(FormatFileError(cause, path));
    return false;
  }
  const std::uint64_t length = file->GetLength();
  std::vector<std::uint8_t> content;
  if (length > content.max_size()) {
    PrintError(path + " is too large to hold in memory");
    return false;
  }
  content.resize(static_cast<std::size_t>(length));
  std::size_t total = 0;
  while (total < content.size()) {
    const std::size_t n = file->Read(content.data() + total, content.size() - total);
    if (n == 0) break;
    total += n;
  }
  content.resize(total);
  file->Close();
  *bytes = std::move(content);
  return true;
}

}  // namespace quintarel::upkit
