#include "updater/upgrade/program_file_writer.h"

#include <memory>

#include "package/file_stream.h"
#include "package/file_writing.h"
#include "package/path.h"

namespace quintarel {

ProgramFileWriter::ProgramFileWriter(FileSystem& files, UpdateArchive& archive)
    : files_(files), archive_(archive) {}

ProgramFileWriter::~ProgramFileWriter() { Rollback(); }

bool ProgramFileWriter::Write(const std::string& dest_path, std::string_view entry_name) {
  const int index = archive_.Find(entry_name);
  if (index == -1) return false;
  // A path ending in a separator names a folder, which no entry may replace.
  if (dest_path.empty() || FindLastSeparator(dest_path) == dest_path.size() - 1) return false;

  const bool existed = files_.Exists(dest_path);
  if (existed) {
    if (!CanWrite(dest_path)) return false;
  } else if (!CreateParentFolders(files_, dest_path, &created_folders_)) {
    return false;
  }

  std::string expanded;
  if (!archive_.ExtractBeside(index, dest_path, nullptr, &expanded)) return false;
  Replacement replacement{dest_path, {}};
  if (existed && !MoveAside(dest_path, &replacement.backup)) {
    files_.RemoveFile(expanded);
    return false;
  }
  if (files_.RenameReplacing(expanded, dest_path) != FileErrorCause::kNone) {
    files_.RemoveFile(expanded);
    if (existed) files_.RenameReplacing(replacement.backup, dest_path);
    return false;
  }
  replaced_.push_back(std::move(replacement));
  archive_.entry(index).ApplyTimes(files_, dest_path);
  return true;
}

bool ProgramFileWriter::CanWrite(const std::string& dest_path) {
  return !files_.Exists(dest_path) || files_.IsReplaceable(dest_path);
}

bool ProgramFileWriter::MoveAside(const std::string& path, std::string* backup) {
  // The reserved name is then replaced by the rename, so nothing that was
  // already beside the file is ever overwritten.
  FileErrorCause cause = FileErrorCause::kNone;
  if (CreateFileBeside(files_, path, backup, &cause) == nullptr) return false;
  if (files_.RenameReplacing(path, *backup) == FileErrorCause::kNone) return true;
  files_.RemoveFile(*backup);
  return false;
}

std::vector<std::string> ProgramFileWriter::Commit() {
  std::vector<std::string> left;
  for (const Replacement& replacement : replaced_) {
    if (replacement.backup.empty()) continue;
    files_.SetNormalAttributes(replacement.backup);
    if (!files_.RemoveFile(replacement.backup)) left.push_back(replacement.backup);
  }
  replaced_.clear();
  created_folders_.clear();
  return left;
}

void ProgramFileWriter::Rollback() {
  for (auto it = replaced_.rbegin(); it != replaced_.rend(); ++it) {
    if (it->backup.empty()) {
      files_.RemoveFile(it->path);
    } else {
      files_.RenameReplacing(it->backup, it->path);
    }
  }
  replaced_.clear();
  for (auto it = created_folders_.rbegin(); it != created_folders_.rend(); ++it) {
    files_.RemoveFolder(*it);
  }
  created_folders_.clear();
}

}  // namespace quintarel
