#ifndef UPDATER_UPGRADE_PROGRAM_UPGRADE_H_
#define UPDATER_UPGRADE_PROGRAM_UPGRADE_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "package/file_system.h"
#include "package/script_values.h"
#include "package/update_archive.h"
#include "platform/shell_folders.h"
#include "platform/shell_links.h"
#include "updater/upgrade/environment_library_loader.h"

namespace quintarel {

// The services an upgrade works through; all outlive it.
struct UpgradeServices {
  FileSystem& files;
  EnvironmentLibraryLoader& library;
  ShellFolders& folders;
  ShellLinks& links;
  // The updater's own full path; the environment library lies beside it.
  std::string updater_path;
};

// What an upgrade changes, as the script gives it.
struct UpgradePlan {
  // The installed program's folder, with a trailing "\".
  std::string program_folder;
  std::vector<CopyListLine> copy_list;
  std::string shortcut_keyword;
  std::vector<ShortcutTarget> shortcut_targets;
};

// How writing the program files ended.
struct WriteOutcome {
  enum class Failure {
    kNone,
    // The destination would leave the installation root, or is the journal.
    kOutsideProduct,
    // A process holds the file open, runs it or has it loaded.
    kInUse,
    // The entry is missing or damaged, or a file or folder could not be
    // created, written or renamed.
    kNotWritten,
    // The journal could not be written (failed_line is 0), or an earlier
    // upgrade's journal is still there because it could not be recovered.
    kJournal,
  };
  Failure failure = Failure::kNone;
  // The copy-list line that failed, counted from 0.
  std::size_t failed_line = 0;
  // Backups of replaced files that could not be removed; they stay listed in
  // the journal, and the next recovery removes them.
  std::vector<std::string> leftover_backups;

  bool written() const { return failure == Failure::kNone; }
};

// How the call of the environment library ended.
struct LibraryOutcome {
  // Whether the library and its DoIt export were found.
  bool found = false;
  // What DoIt returned.
  bool result = false;
};

// The upgrade of an installed program, the same whoever drives it: the
// copy list written into the program folder, the environment library called
// with the installation root, the Start menu's shortcuts turned. Each step
// reports its outcome and shows nothing.
class ProgramUpgrade {
 public:
  ProgramUpgrade(const UpgradeServices& services, UpdateArchive& archive, UpgradePlan plan);

  // Writes every line of the copy list, or none: before the first change
  // every destination is checked and the journal written, and a failure
  // puts back every file written so far (a kill is put back by
  // RecoverInterruptedUpgrade).
  WriteOutcome WriteProgramFiles();
  // Calls DoIt of the environment library beside the updater.
  LibraryOutcome CallEnvironmentLibrary();
  // Turns the shortcuts whose names begin with the keyword from old files
  // of the target list to the new ones, in both Start-menu trees. The
  // shortcuts turned, in the order they were turned.
  std::vector<std::string> UpdateShortcuts();

 private:
  // The short form of each old file of the target list, in its order;
  // nothing for a file that does not exist.
  using ShortOldPaths = std::vector<std::optional<std::string>>;

  // Turns the shortcuts in folder, then goes down into its subfolders
  // (never through a link, which may lead back to a folder above).
  void ScanShortcutFolder(const std::string& folder, const ShortOldPaths& short_olds,
                          std::vector<std::string>* turned);
  bool RetargetShortcut(const std::string& shortcut, const ShortOldPaths& short_olds);

  UpgradeServices services_;
  UpdateArchive& archive_;
  UpgradePlan plan_;
};

}  // namespace quintarel

#endif  // UPDATER_UPGRADE_PROGRAM_UPGRADE_H_
