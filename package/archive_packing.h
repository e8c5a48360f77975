#ifndef PACKAGE_ARCHIVE_PACKING_H_
#define PACKAGE_ARCHIVE_PACKING_H_

#include <cstdint>
#include <string>

#include "package/update_archive.h"
#include "package/path.h"
#include "package/update_info.h"

namespace quintarel {

// Follows a build: told when each listed file starts, and asked after each
// progress report of that file whether to go on.
class PackingObserver {
 public:
  virtual ~PackingObserver() = default;
  virtual void StartFile(const std::string& name) = 0;
  // percent of the current file done; false cancels the build.
  virtual bool Progress(std::int64_t percent) = 0;
};

enum class PackStatus {
  kComplete,
  kScriptUnreadable,  // the script itself could not be added as entry 0
  kFileUnreadable,    // a listed file could not be read; the reporter said why
  kDuplicateName,     // a listed name was already packed (in any letter case)
  kNameTooLong,       // a listed name does not fit the archive's name field
  kCancelled,
};

struct PackResult {
  PackStatus status = PackStatus::kComplete;
  // The file-list line at which the build stopped.
  std::string line;
};

// Packs a build into archive: the script as entry 0 under script_name, then
// every line of the script's file list (through its japanese mapping), each
// line taken whole as the entry name. Files are read below base_folder
// unless a line is absolute; an empty base_folder means the current folder.
// Stops at the first line that cannot be added. Saving is the caller's: an
// archive is only worth saving when the result is kComplete.
PackResult PackArchive(UpdateArchive& archive, UpdateInfo& script, const std::string& script_name,
                       const std::string& base_folder, PackingObserver* observer);

}  // namespace quintarel

#endif  // PACKAGE_ARCHIVE_PACKING_H_
