#ifndef ENVLIB_ENVIRONMENT_LIBRARY_H_
#define ENVLIB_ENVIRONMENT_LIBRARY_H_

#include <memory>
#include <optional>
#include <string>

#include "envlib/library_messages.h"
#include "package/file_system.h"
#include "platform/registry.h"
#include "platform/security.h"
#include "platform/shell_folders.h"
#include "platform/system_profile.h"

namespace quintarel {

// The services the environment library works through; all outlive it.
struct EnvironmentServices {
  FileSystem& files;
  Registry& registry;
  Security& security;
  ShellFolders& folders;
  SystemProfile& profile;
  LibraryMessages& messages;
};

// The product's folder below the all-users application-data folder, and the
// security that every folder the library creates gets: Everyone, all rights.
class SharedDataFolder {
 public:
  explicit SharedDataFolder(const EnvironmentServices& services) : services_(services) {}

  // Creates (when missing) the company folder and the product's folder
  // below the shared application-data folder, with the folder security, and
  // returns the product folder's path without a trailing "\". Nothing when
  // the security cannot be built, the shell cannot name the folder, a
  // folder cannot be created, either folder is a symbolic link or junction,
  // or the path would not fit 260 bytes. A second call replaces the
  // security the first one built.
  std::optional<std::string> Prepare(const std::string& product_name);

  // True when the folder exists afterwards; a new one gets the folder
  // security. Only after a successful Prepare.
  bool CreateFolderIfMissing(const std::string& path);

 private:
  const EnvironmentServices& services_;
  std::string product_name_;
  std::unique_ptr<EveryoneAccess> folder_security_;
};

// What the library's two exports do. One object lives from the library's
// load to its unload.
class EnvironmentLibrary {
 public:
  explicit EnvironmentLibrary(const EnvironmentServices& services)
      : services_(services), data_folder_(services_) {}

  // Moves the product's registry key to its new name and, on the NT line
  // from version 5, its data files from root into the shared data folder,
  // rewrites the stored paths and opens the moved files to everyone. One
  // trailing "\" of root is dropped. False for a missing, empty or drive
  // root (nothing is touched) and when the shared data folder cannot be
  // prepared, a planted link or an exception included (then only the key has
  // moved); true otherwise, whatever the later steps met. No exception
  // leaves it: one that ends a later step (memory ran out) counts as that
  // step's failure, and the steps after it still run.
  bool DoIt(const char* root);

  // Grants Everyone access to everything below root (read and execute for
  // names holding ".lib", all rights otherwise). False for a missing, empty
  // or drive root, when a grant fails and when an exception (memory ran out)
  // ends the walk, which then leaves what it granted; no exception leaves
  // it.
  bool ModifyAccessPermission(const char* root);

 private:
  // A root that must never be moved or opened up: empty, "\" or a drive.
  bool RefuseRoot(const char* root);

  EnvironmentServices services_;
  SharedDataFolder data_folder_;
};

// Moves key source_path with its values and subkeys to destination_path
// under the same root, merging into a key that is there, and deletes the
// source. False when the source cannot be opened, the destination cannot be
// created, or a value cannot be written (the source then stays).
bool MoveRegistryTree(Registry& registry, RegistryRoot root, const std::string& source_path,
                      const std::string& destination_path);

// Rewrites the stored paths below the new product key: in every text value
// (REG_SZ, REG_EXPAND_SZ, type kept) each occurrence of old_root that ends
// at a path boundary ("\", "/", ";", a quote or the end) becomes new_folder,
// left to right. An old_root that ends with "\" or "/" is at a boundary
// wherever it occurs, and that separator stays after new_folder. Letter
// case counts. An occurrence names the path up to the next ";" or quote or
// the value's end; it stays when that path exists below old_root but not
// below new_folder (the program's files, data whose move failed). old_root
// itself is always rewritten. False when the key cannot be opened or a
// write fails.
bool UpdatePathValues(Registry& registry, FileSystem& files, const std::string& old_root,
                      const std::string& new_folder);

// Moves the files and folders below source into destination, passing over
// "Program" folders, names holding ".exe" or ".chm" and "uninst.isu". A
// file leaves the source only once its copy is complete; a failed copy is
// reported and ends that folder's walk, leaving its remaining entries.
void MoveFolderContents(const EnvironmentServices& services, SharedDataFolder& data_folder,
                        const std::string& source, const std::string& destination);

// Grants Everyone access to every file and folder below folder, not to
// folder itself. False when the access objects cannot be built or a grant
// fails ("Dir" or "File" is shown then).
bool GrantTreeAccess(const EnvironmentServices& services, const std::string& folder);

}  // namespace quintarel

#endif  // ENVLIB_ENVIRONMENT_LIBRARY_H_
