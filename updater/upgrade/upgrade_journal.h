#ifndef UPDATER_UPGRADE_UPGRADE_JOURNAL_H_
#define UPDATER_UPGRADE_UPGRADE_JOURNAL_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "package/file_system.h"

namespace quintarel {

// The journal of an upgrade, in the program folder: what the upgrade is
// about to change, written to disk before the first change, and how far it
// got. An upgrade that is killed or loses power is taken back from it at the
// next start; one that was committed but could not remove every backup is
// finished from it.
//
// The file is a sequence of records, each whole or ignored:
//   u32 payload size, u32 checksum of the payload (CRC-32), payload;
// the payload is a type byte and its fields, integers little-endian and
// strings as a u32 byte count and the bytes (paths relative to the
// installation root, in the file system's name form). Types, in order:
//   kFolderRecord   folder path        a folder the upgrade creates
//   kFileRecord     u8 existed, path, temporary path, backup path
//   kPlannedRecord  (none)             the lists above are complete
//   kWrittenRecord  u32 index          that file is in place
//   kCommittedRecord (none)            the upgrade is kept
// A record cut short or damaged ends the journal where it starts.

// The journal's name in the program folder. It fits the 8.3 form, so no
// other name is a short alias of it, and copy lines may not name it
// (IsJournalPath).
inline constexpr char kJournalName[] = "UPDATER.JNL";

std::string JournalPath(const std::string& program_folder);
// Whether a copy-list destination would land on the journal: its name
// ignoring letter case and the trailing dots and spaces Win32 drops.
bool IsJournalPath(const std::string& program_folder, std::string_view destination);

// One destination of an upgrade.
struct JournalFile {
  std::string path;
  // Where its new content is expanded before being renamed in.
  std::string temporary;
  // Where the file it replaces is kept until the commit.
  std::string backup;
  // Whether a file was there before this line (the same path may come twice).
  bool existed = false;
};

// What a journal holds, as far as it could be read.
struct JournalContents {
  std::vector<std::string> folders;
  std::vector<JournalFile> files;
  // The lists are complete and were on disk before anything changed.
  bool planned = false;
  // Files in place, counted from the first.
  std::size_t written = 0;
  bool committed = false;
  // Bytes at the end were ignored: a record cut short or damaged.
  bool torn = false;
};

// Appends records to a new journal, each flushed to disk before the call
// returns. Destroying it closes the file and leaves it in place.
class JournalWriter {
 public:
  // Creates the journal of program_folder exclusively (nothing may be
  // there) and writes the plan, whose paths all lie below the installation
  // root. Null when it cannot be created or written; nothing is left then.
  static std::unique_ptr<JournalWriter> Create(FileSystem& files, const std::string& program_folder,
                                               const std::vector<std::string>& folders,
                                               const std::vector<JournalFile>& planned);
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  bool RecordWritten(std::size_t index);
  bool RecordCommitted();
  // Closes and removes the journal: nothing is left to do.
  bool Remove();

 private:
  JournalWriter(FileSystem& files, std::string path, std::unique_ptr<File> file);
  bool Append(const std::vector<std::uint8_t>& payload);

  FileSystem& files_;
  std::string path_;
  std::unique_ptr<File> file_;
};

// Reads the journal at path, giving full paths below the installation root
// of program_folder. A path that the upgrade could not have written (one
// that climbs or names a drive; a temporary or backup name not beside its
// file) ends the journal as damage does, so a planted journal changes
// nothing outside the product. False when the file cannot be opened or read.
bool ReadJournal(FileSystem& files, const std::string& path, const std::string& program_folder,
                 JournalContents* contents);

// Puts back the first count files of an uncommitted journal, newest first
// (backups renamed back, new files removed), removes the temporaries of all
// its files, then its folders that are empty. Safe to repeat: what is already back is left
// alone. The paths that could not be put back or removed.
std::vector<std::string> UndoJournal(FileSystem& files, const JournalContents& journal,
                                     std::size_t count);
// Removes the backups of a committed journal. The backups that are still
// there.
std::vector<std::string> RemoveJournalBackups(FileSystem& files, const JournalContents& journal);

// What recovering a program folder did.
struct RecoveryOutcome {
  enum class Action {
    kNone,        // no journal
    kRolledBack,  // an upgrade stopped before its commit was taken back
    kFinished,    // a committed upgrade's backups were removed
    kKept,        // the journal is in use, or something in it could not be undone
  };
  Action action = Action::kNone;
  // Files that could not be put back or removed; the journal stays, and the
  // next recovery tries again.
  std::vector<std::string> left;
  // The journal ended in a record cut short or damaged.
  bool torn = false;
};

// Brings the program folder back to a whole program when an upgrade there
// was interrupted: to the old program before the commit, to the new one
// after it. Shows nothing; every front end calls it as soon as it knows the
// folder, before anything looks at the program.
RecoveryOutcome RecoverInterruptedUpgrade(FileSystem& files, const std::string& program_folder);

}  // namespace quintarel

#endif  // UPDATER_UPGRADE_UPGRADE_JOURNAL_H_
