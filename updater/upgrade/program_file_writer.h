#ifndef UPDATER_UPGRADE_PROGRAM_FILE_WRITER_H_
#define UPDATER_UPGRADE_PROGRAM_FILE_WRITER_H_

#include <string>
#include <string_view>
#include <vector>

#include "package/file_system.h"
#include "package/update_archive.h"

namespace quintarel {

// Writes archive entries over the installed program's files so that the
// whole set can be taken back. Each file that is replaced is kept as a backup
// beside it, renamed (so its content, times and attributes stay), until the
// set is committed; a rollback puts every backup back and removes the files
// and folders that were new. Destroying a writer that was not committed rolls
// back, so an upgrade that stops half-way leaves the program as it was.
class ProgramFileWriter {
 public:
  ProgramFileWriter(FileSystem& files, UpdateArchive& archive);
  ~ProgramFileWriter();
  ProgramFileWriter(const ProgramFileWriter&) = delete;
  ProgramFileWriter& operator=(const ProgramFileWriter&) = delete;

  // Whether dest_path can be written now, so that a set can be checked
  // before anything changes: nothing is there, or a file that no process
  // holds open, runs or has loaded (those could be renamed aside, but their
  // backups could then never be removed). Changes nothing.
  bool CanWrite(const std::string& dest_path);
  // Writes the named entry to dest_path with its stored times, creating
  // missing folders. The file there is replaced only once the entry has been
  // expanded in full beside it. False, with this file as it was, when the
  // entry is missing or damaged, dest_path names a folder, the file there
  // cannot be written now (CanWrite), or anything cannot be created or renamed.
  bool Write(const std::string& dest_path, std::string_view entry_name);
  // Keeps what was written and removes the backups. Returns the backups
  // that could not be removed (a process started using the old file in the
  // meantime); they stay in place.
  std::vector<std::string> Commit();
  // Puts back every file written so far, newest first.
  void Rollback();

 private:
  struct Replacement {
    std::string path;
    std::string backup;  // empty when the file was new
  };

  // Moves the file at path aside under a name reserved beside it.
  bool MoveAside(const std::string& path, std::string* backup);

  FileSystem& files_;
  UpdateArchive& archive_;
  std::vector<Replacement> replaced_;
  std::vector<std::string> created_folders_;
};

}  // namespace quintarel

#endif  // UPDATER_UPGRADE_PROGRAM_FILE_WRITER_H_
