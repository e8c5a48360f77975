#include "envlib/environment_library.h"

namespace quintarel {

namespace {

// Grants below folder, each folder before its content; the first failure
// ends the walk.
bool GrantFolderContents(const EnvironmentServices& services, const std::string& folder,
                         EveryoneAccess& full_rights, EveryoneAccess& read_and_execute) {
  std::vector<FolderEntry> entries;
  if (!services.files.ListFolder(folder, &entries)) return true;
  for (const FolderEntry& entry : entries) {
    // Granting through a link would open up whatever it points at.
    if (entry.is_link) continue;
    const std::string path = folder + "\\" + entry.name;
    if (entry.is_folder) {
      if (!full_rights.Grant(path)) {
        services.messages.ShowExclamation("Dir");
        return false;
      }
      if (!GrantFolderContents(services, path, full_rights, read_and_execute)) return false;
      continue;
    }
    EveryoneAccess& access =
        entry.name.find(".lib") != std::string::npos ? read_and_execute : full_rights;
    if (!access.Grant(path)) {
      services.messages.ShowExclamation("File");
      return false;
    }
  }
  return true;
}

}  // namespace

bool GrantTreeAccess(const EnvironmentServices& services, const std::string& folder) {
  const std::unique_ptr<EveryoneAccess> full_rights =
      services.security.CreateEveryoneAccess(kFullAccess);
  const std::unique_ptr<EveryoneAccess> read_and_execute =
      services.security.CreateEveryoneAccess(kReadAndExecuteAccess);
  if (!full_rights || !read_and_execute) return false;
  return GrantFolderContents(services, folder, *full_rights, *read_and_execute);
}

}  // namespace quintarel
