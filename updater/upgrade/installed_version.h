#ifndef UPDATER_UPGRADE_INSTALLED_VERSION_H_
#define UPDATER_UPGRADE_INSTALLED_VERSION_H_

#include <string>

#include "package/script_values.h"
#include "platform/file_versions.h"

namespace quintarel {

// Where the installed program's version lies against the script's range.
enum class InstalledVersion {
  kUpgradable,
  kTooOld,   // below the minimum: this archive cannot upgrade it
  kNewest,   // at or above the newest: the upgrade would change nothing new
};

// Reads the version of check.file in program_folder (ending in "\") and
// judges it; an empty minimum or newest bounds nothing.
InstalledVersion JudgeInstalledVersion(FileVersions& versions, const std::string& program_folder,
                                       const VersionCheck& check);

}  // namespace quintarel

#endif  // UPDATER_UPGRADE_INSTALLED_VERSION_H_
