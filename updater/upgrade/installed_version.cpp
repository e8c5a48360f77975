#include "updater/upgrade/installed_version.h"

#include "package/version_threshold.h"

namespace quintarel {

InstalledVersion JudgeInstalledVersion(FileVersions& versions, const std::string& program_folder,
                                       const VersionCheck& check) {
  if (check.minimum.empty() && check.newest.empty()) return InstalledVersion::kUpgradable;
  const std::int32_t installed = versions.VersionNumber(program_folder + check.file);
  if (!check.minimum.empty() && installed < VersionThreshold(check.minimum)) return InstalledVersion::kTooOld;
  if (!check.newest.empty() && installed >= VersionThreshold(check.newest)) return InstalledVersion::kNewest;
  return InstalledVersion::kUpgradable;
}

}  // namespace quintarel
