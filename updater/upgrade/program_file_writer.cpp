#include "updater/upgrade/program_file_writer.h"

#include <set>
#include <utility>

#include "package/file_stream.h"
#include "package/file_writing.h"
#include "package/path.h"

namespace quintarel {

namespace {

// Names are compared as the file system does, ignoring ASCII case.
std::string NameKey(const std::string& path) {
  std::string key = path;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

// A fresh name beside path that is neither there nor taken by the plan.
bool ReserveNameBeside(FileSystem& files, const std::string& path, std::set<std::string>* taken,
                       std::string* name) {
  constexpr int kAttempts = 16;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string candidate = NameBeside(path);
    if (!files.Exists(candidate) && taken->insert(NameKey(candidate)).second) {
      *name = std::move(candidate);
      return true;
    }
  }
  return false;
}

}  // namespace

ProgramFileWriter::ProgramFileWriter(FileSystem& files, UpdateArchive& archive, std::string program_folder)
    : files_(files), archive_(archive), program_folder_(std::move(program_folder)) {}

ProgramFileWriter::~ProgramFileWriter() { Rollback(); }

bool ProgramFileWriter::CanWrite(const std::string& dest_path) {
  return !files_.Exists(dest_path) || files_.IsReplaceable(dest_path);
}

bool ProgramFileWriter::Begin(const std::vector<std::string>& destinations) {
  JournalContents plan;
  std::set<std::string> taken;
  for (const std::string& dest : destinations) taken.insert(NameKey(dest));
  std::set<std::string> planned_folders;
  std::set<std::string> written;
  for (const std::string& dest : destinations) {
    // The folders above dest that are missing, made from the top down.
    std::vector<std::string> missing;
    for (std::size_t separator = FindLastSeparator(dest); separator != std::string::npos && separator != 0;
         separator = FindLastSeparator(std::string_view(dest).substr(0, separator))) {
      std::string folder = dest.substr(0, separator);
      if (planned_folders.count(NameKey(folder)) != 0 || files_.Exists(folder)) break;
      missing.push_back(std::move(folder));
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      planned_folders.insert(NameKey(*it));
      plan.folders.push_back(std::move(*it));
    }
    JournalFile file{dest, {}, {}, files_.Exists(dest) || written.count(NameKey(dest)) != 0};
    if (!ReserveNameBeside(files_, dest, &taken, &file.temporary) ||
        !ReserveNameBeside(files_, dest, &taken, &file.backup)) {
      return false;
    }
    written.insert(NameKey(dest));
    plan.files.push_back(std::move(file));
  }
  journal_ = JournalWriter::Create(files_, program_folder_, plan.folders, plan.files);
  if (!journal_) return false;
  plan.planned = true;
  plan_ = std::move(plan);
  return true;
}

bool ProgramFileWriter::Write(std::size_t index, std::string_view entry_name) {
  failed_ = index;
  if (!journal_ || index != started_ || index >= plan_.files.size()) return false;
  const JournalFile& file = plan_.files[index];
  const int entry = archive_.Find(entry_name);
  if (entry == -1) return false;
  // A path ending in a separator names a folder, which no entry may replace.
  if (file.path.empty() || FindLastSeparator(file.path) == file.path.size() - 1) return false;
  started_ = index + 1;
  if (!CreateParentFolders(files_, file.path)) return false;

  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<FileStream> stream = FileStream::Open(files_, file.temporary, FileStream::Mode::kCreateNew, &cause);
  if (!stream) return false;
  try {
    if (!archive_.entry(entry).ExtractTo(*stream, nullptr)) return false;
  } catch (const FileError&) {
    return false;
  }
  if (!SettlePending()) return false;
  // Flushed before the rename, or a power cut could leave the new name with
  // no content. The disk takes it while the next file is expanded.
  pending_file_ = std::move(stream);
  pending_index_ = index;
  pending_entry_ = entry;
  pending_flush_ = std::async(std::launch::async, [file = pending_file_.get()] {
    try {
      file->Flush();
      file->Close();
      return true;
    } catch (const FileError&) {
      return false;
    }
  });
  return true;
}

bool ProgramFileWriter::Finish() { return SettlePending(); }

bool ProgramFileWriter::SettlePending() {
  if (!pending_file_) return true;
  const bool flushed = pending_flush_.get();
  pending_file_.reset();
  if (flushed && PutInPlace(pending_index_, pending_entry_)) return true;
  failed_ = pending_index_;
  return false;
}

bool ProgramFileWriter::PutInPlace(std::size_t index, int entry) {
  const JournalFile& file = plan_.files[index];
  // What the journal says was there must still be so, or its rollback
  // would remove a file that is not ours.
  if (files_.Exists(file.path) != file.existed || (file.existed && !CanWrite(file.path))) return false;
  if (file.existed && (files_.Exists(file.backup) ||
                       files_.RenameReplacing(file.path, file.backup) != FileErrorCause::kNone)) {
    return false;
  }
  if (files_.RenameReplacing(file.temporary, file.path) != FileErrorCause::kNone) return false;
  archive_.entry(entry).ApplyTimes(files_, file.path);
  return journal_->RecordWritten(index);
}

bool ProgramFileWriter::Commit(std::vector<std::string>* left) {
  if (!journal_ || pending_file_ || started_ != plan_.files.size() || !journal_->RecordCommitted()) return false;
  *left = RemoveJournalBackups(files_, plan_);
  if (left->empty()) journal_->Remove();
  journal_.reset();
  return true;
}

void ProgramFileWriter::Rollback() {
  if (pending_file_) {
    pending_flush_.wait();
    pending_file_.reset();
  }
  if (!journal_) return;
  if (UndoJournal(files_, plan_, started_).empty()) journal_->Remove();
  journal_.reset();
}

}  // namespace quintarel
