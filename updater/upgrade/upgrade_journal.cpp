#include "updater/upgrade/upgrade_journal.h"

#include <utility>

#include "package/file_writing.h"
#include "package/fixed_coding.h"
#include "package/path.h"
#include "package/text.h"
#include "updater/upgrade/environment_library_loader.h"

namespace quintarel {

namespace {

enum RecordType : std::uint8_t {
  kFolderRecord = 1,
  kFileRecord = 2,
  kPlannedRecord = 3,
  kWrittenRecord = 4,
  kCommittedRecord = 5,
};

constexpr std::size_t kRecordHeaderSize = 8;  // payload size, checksum
// A record holds at most a few paths; a journal at most a few per file.
constexpr std::uint32_t kMaxPayloadSize = 1 << 20;
constexpr std::uint64_t kMaxJournalSize = std::uint64_t{1} << 30;

std::uint32_t Crc32(const std::vector<std::uint8_t>& bytes) {
  constexpr std::uint32_t kPolynomial = 0xEDB88320;
  std::uint32_t crc = 0xFFFFFFFF;
  for (const std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (kPolynomial & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutFixed32(std::vector<std::uint8_t>* out, std::uint32_t value) {
  std::uint8_t bytes[4];
  EncodeFixed32(bytes, value);
  out->insert(out->end(), bytes, bytes + 4);
}

void PutString(std::vector<std::uint8_t>* out, const std::string& text) {
  PutFixed32(out, static_cast<std::uint32_t>(text.size()));
  out->insert(out->end(), text.begin(), text.end());
}

// Reads the fields of one payload; any read past its end fails.
class PayloadReader {
 public:
  explicit PayloadReader(const std::vector<std::uint8_t>& payload) : payload_(payload) {}

  bool Fixed32(std::uint32_t* value) {
    if (payload_.size() - position_ < 4) return false;
    *value = DecodeFixed32(&payload_[position_]);
    position_ += 4;
    return true;
  }
  bool Byte(std::uint8_t* value) {
    if (position_ == payload_.size()) return false;
    *value = payload_[position_++];
    return true;
  }
  bool String(std::string* text) {
    std::uint32_t size = 0;
    if (!Fixed32(&size) || payload_.size() - position_ < size) return false;
    text->assign(payload_.begin() + static_cast<std::ptrdiff_t>(position_),
                 payload_.begin() + static_cast<std::ptrdiff_t>(position_ + size));
    position_ += size;
    return true;
  }
  bool AtEnd() const { return position_ == payload_.size(); }

 private:
  const std::vector<std::uint8_t>& payload_;
  std::size_t position_ = 0;
};

// Paths are kept relative to the installation root, so that the folder
// may be spelt otherwise at the next start. Only paths below the root, with
// no part that climbs or that the system would reduce, are ever touched.
bool IsBelowRoot(std::string_view relative) {
  if (relative.empty() || relative.find_first_of(":/") != std::string_view::npos) return false;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find('\\', start);
    if (end == std::string_view::npos) end = relative.size();
    const std::string_view part = relative.substr(start, end - start);
    if (part.find_first_not_of(". ") == std::string_view::npos) return false;
    start = end + 1;
  }
  return true;
}

bool ReadPath(PayloadReader& reader, const std::string& root, std::string* path) {
  std::string relative;
  if (!reader.String(&relative) || !IsBelowRoot(relative)) return false;
  *path = root + "\\" + relative;
  return true;
}

// The path below root, or nothing for a path elsewhere.
bool PutPath(std::vector<std::uint8_t>* out, const std::string& root, const std::string& path) {
  const std::string prefix = root + "\\";
  if (path.size() <= prefix.size() || !EqualsIgnoringCase(path.substr(0, prefix.size()), prefix)) return false;
  PutString(out, path.substr(prefix.size()));
  return true;
}

bool IsBeside(const std::string& name, const std::string& path) {
  return IsNameBeside(name) && name.size() == path.size() + 10 && name.compare(0, path.size(), path) == 0;
}

// Applies one payload to contents; false when it does not fit where it comes.
bool ApplyRecord(const std::vector<std::uint8_t>& payload, const std::string& root,
                 JournalContents* contents) {
  PayloadReader reader(payload);
  std::uint8_t type = 0;
  if (!reader.Byte(&type)) return false;
  switch (type) {
    case kFolderRecord: {
      std::string folder;
      if (contents->planned || !ReadPath(reader, root, &folder)) return false;
      contents->folders.push_back(std::move(folder));
      break;
    }
    case kFileRecord: {
      JournalFile file;
      std::uint8_t existed = 0;
      if (contents->planned || !reader.Byte(&existed) || existed > 1 || !ReadPath(reader, root, &file.path) ||
          !ReadPath(reader, root, &file.temporary) || !ReadPath(reader, root, &file.backup) ||
          !IsBeside(file.temporary, file.path) ||
          !IsBeside(file.backup, file.path)) {
        return false;
      }
      file.existed = existed == 1;
      contents->files.push_back(std::move(file));
      break;
    }
    case kPlannedRecord:
      if (contents->planned) return false;
      contents->planned = true;
      break;
    case kWrittenRecord: {
      std::uint32_t index = 0;
      if (!contents->planned || contents->committed || !reader.Fixed32(&index) ||
          index != contents->written || index >= contents->files.size()) {
        return false;
      }
      ++contents->written;
      break;
    }
    case kCommittedRecord:
      if (contents->written != contents->files.size() || contents->committed) return false;
      contents->committed = true;
      break;
    default:
      return false;
  }
  return reader.AtEnd();
}

bool ReadAll(File& file, std::vector<std::uint8_t>* bytes) {
  std::uint64_t length = 0;
  if (file.GetLength(&length) != FileErrorCause::kNone || length > kMaxJournalSize) return false;
  bytes->resize(static_cast<std::size_t>(length));
  std::size_t read = 0;
  if (file.Read(bytes->data(), bytes->size(), &read) != FileErrorCause::kNone) return false;
  bytes->resize(read);
  return true;
}

void RemoveIfThere(FileSystem& files, const std::string& path, std::vector<std::string>* left) {
  if (!files.Exists(path)) return;
  files.SetNormalAttributes(path);
  if (!files.RemoveFile(path)) left->push_back(path);
}

}  // namespace

std::string JournalPath(const std::string& program_folder) {
  return WithTrailingSeparator(program_folder) + kJournalName;
}

bool IsJournalPath(const std::string& program_folder, std::string_view destination) {
  const std::size_t end = destination.find_last_not_of(". ");
  return end != std::string_view::npos &&
         EqualsIgnoringCase(destination.substr(0, end + 1), JournalPath(program_folder));
}

JournalWriter::JournalWriter(FileSystem& files, std::string path, std::unique_ptr<File> file)
    : files_(files), path_(std::move(path)), file_(std::move(file)) {}

std::unique_ptr<JournalWriter> JournalWriter::Create(FileSystem& files, const std::string& program_folder,
                                                     const std::vector<std::string>& folders,
                                                     const std::vector<JournalFile>& planned) {
  // The plan goes out in one write and one flush: its records are whole or
  // torn together with the planned mark.
  const std::string root = InstallationRoot(program_folder);
  std::vector<std::uint8_t> plan;
  bool below_root = true;
  const auto add = [&plan](const std::vector<std::uint8_t>& payload) {
    PutFixed32(&plan, static_cast<std::uint32_t>(payload.size()));
    PutFixed32(&plan, Crc32(payload));
    plan.insert(plan.end(), payload.begin(), payload.end());
  };
  for (const std::string& folder : folders) {
    std::vector<std::uint8_t> payload{kFolderRecord};
    below_root = PutPath(&payload, root, folder) && below_root;
    add(payload);
  }
  for (const JournalFile& planned_file : planned) {
    std::vector<std::uint8_t> payload{kFileRecord, planned_file.existed ? std::uint8_t{1} : std::uint8_t{0}};
    below_root = PutPath(&payload, root, planned_file.path) && PutPath(&payload, root, planned_file.temporary) &&
                 PutPath(&payload, root, planned_file.backup) && below_root;
    add(payload);
  }
  add({kPlannedRecord});
  if (!below_root) return nullptr;

  const std::string path = JournalPath(program_folder);
  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<File> file = files.CreateNew(path, &cause);
  if (!file) return nullptr;
  std::unique_ptr<JournalWriter> journal(new JournalWriter(files, path, std::move(file)));
  if (journal->file_->Write(plan.data(), plan.size()) != FileErrorCause::kNone ||
      journal->file_->Flush() != FileErrorCause::kNone) {
    journal->Remove();
    return nullptr;
  }
  return journal;
}

bool JournalWriter::Append(const std::vector<std::uint8_t>& payload) {
  std::vector<std::uint8_t> record;
  PutFixed32(&record, static_cast<std::uint32_t>(payload.size()));
  PutFixed32(&record, Crc32(payload));
  record.insert(record.end(), payload.begin(), payload.end());
  return file_ && file_->Write(record.data(), record.size()) == FileErrorCause::kNone &&
         file_->Flush() == FileErrorCause::kNone;
}

bool JournalWriter::RecordWritten(std::size_t index) {
  std::vector<std::uint8_t> payload{kWrittenRecord};
  PutFixed32(&payload, static_cast<std::uint32_t>(index));
  return Append(payload);
}

bool JournalWriter::RecordCommitted() { return Append({kCommittedRecord}); }

bool JournalWriter::Remove() {
  file_.reset();
  return files_.RemoveFile(path_);
}

bool ReadJournal(FileSystem& files, const std::string& path, const std::string& program_folder,
                 JournalContents* contents) {
  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<File> file = files.OpenForRead(path, &cause);
  std::vector<std::uint8_t> bytes;
  if (!file || !ReadAll(*file, &bytes)) return false;
  const std::string root = InstallationRoot(program_folder);
  JournalContents read;
  std::size_t position = 0;
  while (position < bytes.size()) {
    if (bytes.size() - position < kRecordHeaderSize) break;
    const std::uint32_t size = DecodeFixed32(&bytes[position]);
    const std::uint32_t checksum = DecodeFixed32(&bytes[position + 4]);
    if (size > kMaxPayloadSize || bytes.size() - position - kRecordHeaderSize < size) break;
    const auto start = bytes.begin() + static_cast<std::ptrdiff_t>(position + kRecordHeaderSize);
    const std::vector<std::uint8_t> payload(start, start + size);
    if (Crc32(payload) != checksum || !ApplyRecord(payload, root, &read)) break;
    position += kRecordHeaderSize + size;
  }
  read.torn = position != bytes.size();
  *contents = std::move(read);
  return true;
}

std::vector<std::string> UndoJournal(FileSystem& files, const JournalContents& journal, std::size_t count) {
  std::vector<std::string> left;
  for (std::size_t i = journal.files.size(); i-- > 0;) {
    const JournalFile& file = journal.files[i];
    if (i < count && file.existed) {
      if (files.Exists(file.backup) && files.RenameReplacing(file.backup, file.path) != FileErrorCause::kNone) {
        left.push_back(file.backup);
      }
    } else if (i < count) {
      RemoveIfThere(files, file.path, &left);
    }
    // Files after the first count were at most expanded beside their place.
    RemoveIfThere(files, file.temporary, &left);
  }
  // A folder that is not empty holds something that is not ours: it stays.
  for (auto it = journal.folders.rbegin(); it != journal.folders.rend(); ++it) {
    if (files.Exists(*it)) files.RemoveFolder(*it);
  }
  return left;
}

std::vector<std::string> RemoveJournalBackups(FileSystem& files, const JournalContents& journal) {
  std::vector<std::string> left;
  for (const JournalFile& file : journal.files) {
    if (file.existed) RemoveIfThere(files, file.backup, &left);
  }
  return left;
}

RecoveryOutcome RecoverInterruptedUpgrade(FileSystem& files, const std::string& program_folder) {
  RecoveryOutcome outcome;
  const std::string path = JournalPath(program_folder);
  if (!files.Exists(path)) return outcome;
  JournalContents journal;
  outcome.action = RecoveryOutcome::Action::kKept;
  // Held open by an upgrade under way, or unreadable: nothing is touched.
  if (!ReadJournal(files, path, program_folder, &journal)) return outcome;
  outcome.torn = journal.torn;
  if (journal.committed) {
    outcome.left = RemoveJournalBackups(files, journal);
  } else if (journal.planned) {
    // The file after the last one recorded may have been renamed into place.
    outcome.left = UndoJournal(files, journal, journal.written + 1);
  }
  if (!outcome.left.empty() || !files.RemoveFile(path)) return outcome;
  outcome.action = journal.committed ? RecoveryOutcome::Action::kFinished : RecoveryOutcome::Action::kRolledBack;
  return outcome;
}

}  // namespace quintarel
