#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

#include "package/file_stream.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/file_kind.h"
#include "tools/upkit/names.h"
#include "tools/upkit/script_check.h"
#include "tools/upkit/source_file.h"

namespace quintarel::upkit {

void PrintError(std::string_view message) {
  std::fprintf(stderr, "upkit: %.*s\n", static_cast<int>(message.size()), message.data());
}

namespace {

// Reads what is left of file into *text; false when it ends before its
// length.
bool ReadRest(FileStream& file, std::string* text) {
  const std::uint64_t length = file.GetLength() - file.Seek(0, SeekOrigin::kCurrent);
  if (length > text->max_size()) return false;
  std::string content(static_cast<std::size_t>(length), '\0');
  if (ReadFully(file, content.data(), content.size()) != content.size()) return false;
  *text = std::move(content);
  return true;
}

}  // namespace

std::unique_ptr<FileStream> OpenForReading(const std::string& path) {
  if (const std::string reason = NotAFileReason(path); !reason.empty()) {
    PrintError(reason);
    return nullptr;
  }
  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<FileStream> file =
      FileStream::Open(OperatingSystemFiles(), path, FileStream::Mode::kRead, &cause);
  if (!file) PrintError(FormatFileError(cause, DisplayPath(path)));
  return file;
}

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
  content.resize(ReadFully(*file, content.data(), content.size()));
  file->Close();
  *bytes = std::move(content);
  return true;
}

bool LoadScriptSource(const std::string& path, UpdateInfo& info, UpdateArchive& archive,
                      bool* is_archive) {
  std::unique_ptr<FileStream> file = OpenForReading(path);
  if (!file) return false;
  const std::string_view magic = archive_format::kMagic;
  std::string start(magic.size(), '\0');
  start.resize(file->Read(start.data(), start.size()));
  file->Seek(0, SeekOrigin::kBegin);
  *is_archive = start == magic;

  // The script is held once, however large: an archive's entries are read
  // straight from the file, and the text goes to the reader without a copy.
  std::string script;
  if (*is_archive) {
    if (!archive.ReadFrom(*file)) {
      PrintError(path + " is not a well-formed update archive (upkit verify says why)");
      return false;
    }
    file->Close();
    if (archive.GetCount() == 0) {
      PrintError(path + ": the archive is empty; it holds no script");
      return false;
    }
    if (!ExtractScript(archive, &script)) {
      PrintError(path + ": entry 0, the script, is damaged (upkit verify says how)");
      return false;
    }
  } else {
    if (!ReadRest(*file, &script)) {
      PrintError(DisplayPath(path) + " changed while it was read");
      return false;
    }
    file->Close();
  }
  if (info.LoadText(script)) return true;
  const std::string what =
      *is_archive ? path + ": entry 0 (" + PrintableName(archive.entry(0).name()) + ")" : path;
  PrintError(what + ": not an update information script: " + ScriptRejection(script));
  return false;
}

}  // namespace quintarel::upkit
