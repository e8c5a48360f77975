#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

#include "package/file_stream.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/paths.h"
#include "tools/upkit/script_check.h"

namespace quintarel::upkit {

void PrintError(std::string_view message) {
  std::fprintf(stderr, "upkit: %.*s\n", static_cast<int>(message.size()), message.data());
}

namespace {

// Opens path for reading, or prints why it cannot be opened.
std::unique_ptr<FileStream> OpenForReading(const std::string& path) {
  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<FileStream> file =
      FileStream::Open(OperatingSystemFiles(), path, FileStream::Mode::kRead, &cause);
  if (!file) PrintError(FormatFileError(cause, path));
  return file;
}

}  // namespace

bool OpenArchive(const std::string& path, UpdateArchive& archive) {
  std::unique_ptr<FileStream> file = OpenForReading(path);
  if (!file) return false;
  if (!archive.ReadFrom(*file)) {
    PrintError(path + " is not a well-formed update archive (upkit verify says why)");
    return false;
  }
  file->Close();
  return true;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
  std::unique_ptr<FileStream> file = OpenForReading(path);
  if (!file) return false;
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

bool LoadScriptSource(const std::string& path, UpdateInfo& info, UpdateArchive& archive,
                      bool* is_archive, std::vector<std::uint8_t>* script_bytes) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes)) return false;
  const std::string_view magic = archive_format::kMagic;
  *is_archive = bytes.size() >= magic.size() &&
                std::string_view(reinterpret_cast<const char*>(bytes.data()), magic.size()) == magic;
  MemoryStream script;
  if (*is_archive) {
    MemoryStream file(std::move(bytes));
    if (!archive.ReadFrom(file)) {
      PrintError(path + " is not a well-formed update archive (upkit verify says why)");
      return false;
    }
    if (archive.GetCount() == 0) {
      PrintError(path + ": the archive is empty; it holds no script");
      return false;
    }
    if (!archive.ExtractAt(0, script, nullptr)) {
      PrintError(path + ": entry 0, the script, is damaged (upkit verify says how)");
      return false;
    }
  } else {
    script.Write(bytes.data(), bytes.size());
  }
  script.Seek(0, SeekOrigin::kBegin);
  if (info.Load(script)) {
    if (script_bytes != nullptr) *script_bytes = script.TakeBytes();
    return true;
  }
  const std::string_view text(reinterpret_cast<const char*>(script.data()), script.size());
  const std::string what =
      *is_archive ? path + ": entry 0 (" + PrintableName(archive.entry(0).name()) + ")" : path;
  PrintError(what + ": not an update information script: " + ScriptRejection(text));
  return false;
}

}  // namespace quintarel::upkit
