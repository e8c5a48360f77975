#include "updater/upgrade/leftover_backups.h"

#include "package/file_stream.h"
#include "package/file_writing.h"
#include "package/path.h"
#include "package/update_archive.h"
#include "updater/upgrade/environment_library_loader.h"

namespace quintarel {

namespace {

std::string RecordPath(const std::string& program_folder) {
  return WithTrailingSeparator(program_folder) + kLeftoverRecordName;
}

// A record is a few lines; anything larger was not written by the updater.
constexpr std::uint64_t kMaxRecordSize = 1 << 20;

std::vector<std::string> ReadRecord(FileSystem& files, const std::string& record) {
  std::vector<std::string> lines;
  std::string text;
  try {
    FileErrorCause cause = FileErrorCause::kNone;
    const std::unique_ptr<FileStream> stream =
        FileStream::Open(files, record, FileStream::Mode::kRead, &cause);
    if (!stream || stream->GetLength() > kMaxRecordSize) return lines;
    text.resize(static_cast<std::size_t>(stream->GetLength()));
    text.resize(ReadFully(*stream, text.data(), text.size()));
  } catch (const FileError&) {
    return lines;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// Written beside and renamed over, so a failure keeps the previous record.
bool WriteRecord(FileSystem& files, const std::string& record, const std::vector<std::string>& lines) {
  if (lines.empty()) return !files.Exists(record) || files.RemoveFile(record);
  return ReplaceFile(files, record, [&](Stream& stream) {
           for (const std::string& line : lines) {
             stream.Write(line.data(), line.size());
             stream.Write("\r\n", 2);
           }
         }) == FileErrorCause::kNone;
}

// The record lies in a folder that others may write to: only paths below
// the root, without parts that climb, are ever touched.
bool InsideRoot(const std::string& path, const std::string& root) {
  const std::string prefix = root + "\\";
  return path.compare(0, prefix.size(), prefix) == 0 && path.find("\\..") == std::string::npos &&
         path.find('/') == std::string::npos;
}

}  // namespace

bool RecordLeftoverBackups(FileSystem& files, const std::string& program_folder,
                           const std::vector<std::string>& backups) {
  const std::string record = RecordPath(program_folder);
  std::vector<std::string> lines = ReadRecord(files, record);
  lines.insert(lines.end(), backups.begin(), backups.end());
  return WriteRecord(files, record, lines);
}

void RemoveLeftoverBackups(FileSystem& files, const std::string& program_folder) {
  const std::string record = RecordPath(program_folder);
  if (!files.Exists(record)) return;
  const std::string root = InstallationRoot(program_folder);
  std::vector<std::string> kept;
  for (const std::string& backup : ReadRecord(files, record)) {
    if (!IsNameBeside(backup) || !InsideRoot(backup, root) || !files.Exists(backup)) continue;
    files.SetNormalAttributes(backup);
    if (!files.RemoveFile(backup)) kept.push_back(backup);
  }
  WriteRecord(files, record, kept);
}

}  // namespace quintarel
