#ifndef UPDATER_UPGRADE_SYSTEM_SERVICES_H_
#define UPDATER_UPGRADE_SYSTEM_SERVICES_H_

#include "package/file_system.h"
#include "platform/file_versions.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/shell_folders.h"
#include "platform/shell_links.h"
#include "platform/string_table.h"
#include "platform/system_profile.h"
#include "updater/upgrade/environment_library_loader.h"

namespace quintarel {

// The system as an upgrade finds, checks and changes an installed program,
// whichever front end runs it; every service outlives its users.
struct SystemServices {
  FileSystem& files;
  Registry& registry;
  Shell& shell;
  FileVersions& versions;
  StringTable& strings;
  SystemProfile& profile;
  ShellFolders& folders;
  ShellLinks& links;
  EnvironmentLibraryLoader& library;
};

}  // namespace quintarel

#endif  // UPDATER_UPGRADE_SYSTEM_SERVICES_H_
