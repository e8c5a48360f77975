#ifndef UPDATER_UPGRADE_PROGRAM_FILE_WRITER_H_
#define UPDATER_UPGRADE_PROGRAM_FILE_WRITER_H_

#include <cstddef>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "package/file_stream.h"
#include "package/file_system.h"
#include "package/update_archive.h"
#include "updater/upgrade/upgrade_journal.h"

namespace quintarel {

// Writes archive entries over the installed program's files so that the
// whole set can be taken back, even after a kill or a power cut. Before the
// first change every destination's temporary and backup name goes into the
// journal (UpgradeJournal), flushed to disk; each file replaced is kept as a
// backup beside it, renamed (so its content, times and attributes stay),
// until the set is committed. A rollback, in this process or by
// RecoverInterruptedUpgrade at the next start, puts every backup back and
// removes the files and folders that were new. Destroying a writer that was
// not committed rolls back.
class ProgramFileWriter {
 public:
  ProgramFileWriter(FileSystem& files, UpdateArchive& archive, std::string program_folder);
  ~ProgramFileWriter();
  ProgramFileWriter(const ProgramFileWriter&) = delete;
  ProgramFileWriter& operator=(const ProgramFileWriter&) = delete;

  // Whether dest_path can be written now, so that a set can be checked
  // before anything changes: nothing is there, or a file that no process
  // holds open, runs or has loaded (those could be renamed aside, but their
  // backups could then never be removed). Changes nothing.
  bool CanWrite(const std::string& dest_path);
  // Reserves the names for writing destinations (full paths below the
  // installation root), in order, and writes the journal. False when it
  // cannot be written, or a journal is already there (an earlier upgrade
  // whose backups could not all be removed yet); nothing changed then.
  bool Begin(const std::vector<std::string>& destinations);
  // Writes the named entry to the index-th destination with its stored
  // times, creating missing folders. The file there is replaced only once
  // the entry has been expanded in full beside it and flushed to disk. The
  // flush goes on in the background while the next file is expanded, so the
  // replacement happens in the next Write or in Finish. False when the entry
  // is missing or damaged, the destination names a folder or cannot be
  // written now (CanWrite), or anything cannot be created, flushed, renamed
  // or recorded; failed_index() then names the file, and Rollback puts back
  // what was changed.
  bool Write(std::size_t index, std::string_view entry_name);
  // Puts the last file written in place. False as for Write.
  bool Finish();
  std::size_t failed_index() const { return failed_; }
  // Once every file is in place (Finish), marks the set as kept and removes the backups. False, with nothing
  // changed, when the mark cannot be recorded: roll back then. The backups
  // that could not be removed (a process started using the old file in the
  // meantime) go to *left; they stay listed in the journal, which the next
  // recovery finishes.
  bool Commit(std::vector<std::string>* left);
  // Puts back every file written so far, newest first. Whatever cannot be
  // put back stays in the journal for the next recovery.
  void Rollback();

 private:
  FileSystem& files_;
  UpdateArchive& archive_;
  std::string program_folder_;
  JournalContents plan_;
  std::unique_ptr<JournalWriter> journal_;
  // Waits for the background flush of the file written last, then renames
  // it into place and records it.
  bool SettlePending();
  bool PutInPlace(std::size_t index, int entry);

  // Files whose writing has begun.
  std::size_t started_ = 0;
  std::size_t failed_ = 0;
  // The file written last, until it is in place: its expanded temporary,
  // its flush under way, its index and archive entry.
  std::unique_ptr<FileStream> pending_file_;
  std::future<bool> pending_flush_;
  std::size_t pending_index_ = 0;
  int pending_entry_ = -1;
};

}  // namespace quintarel

#endif  // UPDATER_UPGRADE_PROGRAM_FILE_WRITER_H_
