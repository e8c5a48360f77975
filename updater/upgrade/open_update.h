#ifndef UPDATER_UPGRADE_OPEN_UPDATE_H_
#define UPDATER_UPGRADE_OPEN_UPDATE_H_

#include <string>

#include "package/archive_digests.h"
#include "package/update_archive.h"
#include "package/update_info.h"

namespace quintarel {

// Opens the update archive at path and loads its script (entry 0) into
// script. False when the archive cannot be read, is sealed with digests
// that its entries do not match (or a digest entry that cannot be read),
// holds fewer than two entries besides the digest entry, or entry 0 is not
// a valid script; the caller shows IDS_FILES_MISSING. seal, when given,
// receives the check of the archive's digests.
bool OpenUpdate(const std::string& path, UpdateArchive& archive, UpdateInfo& script, DigestCheck* seal = nullptr);

}  // namespace quintarel

#endif  // UPDATER_UPGRADE_OPEN_UPDATE_H_
