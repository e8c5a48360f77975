#ifndef UPDATER_UPGRADE_LEFTOVER_BACKUPS_H_
#define UPDATER_UPGRADE_LEFTOVER_BACKUPS_H_

#include <string>
#include <vector>

#include "package/file_system.h"

namespace quintarel {

// Backups of replaced program files that could not be removed when an
// upgrade was committed, because a process started using the old file in
// the meantime. They are listed in a record in the program folder and
// removed by the updater's next run, once that folder is known again.

// The record's name in the program folder.
inline constexpr char kLeftoverRecordName[] = "Updater.leftovers";

// Adds backups (full paths) to the record in program_folder. False when the
// record cannot be written.
bool RecordLeftoverBackups(FileSystem& files, const std::string& program_folder,
                           const std::vector<std::string>& backups);

// Removes the backups that the record in program_folder lists and keeps in
// it only those that still cannot be removed; the record goes when none is
// left. Only what the updater itself could have left is removed: a name that
// CreateFileBeside makes, inside the installation root.
void RemoveLeftoverBackups(FileSystem& files, const std::string& program_folder);

}  // namespace quintarel

#endif  // UPDATER_UPGRADE_LEFTOVER_BACKUPS_H_
