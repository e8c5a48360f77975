#include "updater/upgrade/leftover_backups.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "package/file_stream.h"
#include "package/path.h"
#include "package/update_archive.h"
#include "updater/upgrade/environment_call.h"

namespace quintarel {

namespace {

constexpr std::string_view kBackupMark = ".~";
constexpr std::size_t kBackupDigits = 8;

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
  std::string temporary;
  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<FileStream> stream = CreateFileBeside(files, record, &temporary, &cause);
  if (!stream) return false;
  try {
    for (const std::string& line : lines) {
      stream->Write(line.data(), line.size());
      stream->Write("\r\n", 2);
    }
    stream->Close();
  } catch (const FileError&) {
    stream.reset();
    files.RemoveFile(temporary);
    return false;
  }
  if (files.RenameReplacing(temporary, record) != FileErrorCause::kNone) {
    files.RemoveFile(temporary);
    return false;
  }
  return true;
}

bool HasBackupForm(const std::string& path) {
  const std::string name = FileNameOf(path);
  if (name.size() <= kBackupMark.size() + kBackupDigits) return false;
  const std::size_t mark = name.size() - kBackupDigits - kBackupMark.size();
  return name.compare(mark, kBackupMark.size(), kBackupMark) == 0 &&
         std::all_of(name.end() - kBackupDigits, name.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
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
    if (!HasBackupForm(backup) || !InsideRoot(backup, root) || !files.Exists(backup)) continue;
    files.SetNormalAttributes(backup);
    if (!files.RemoveFile(backup)) kept.push_back(backup);
  }
  WriteRecord(files, record, kept);
}

}  // namespace quintarel
