#ifndef UPDATER_APP_ARCHIVE_BUILDER_H_
#define UPDATER_APP_ARCHIVE_BUILDER_H_

#include <string>

#include "package/file_system.h"
#include "updater/app/process_environment.h"
#include "updater/ui/user_interface.h"

namespace quintarel {

// The updater's archive-building mode: confirms with the user, asks where to
// save, and packs the script and its file list with a progress dialog.
class ArchiveBuilder {
 public:
  ArchiveBuilder(FileSystem& files, ProcessEnvironment& environment, UserInterface& ui)
      : files_(files), environment_(environment), ui_(ui) {}

  // script_path is the full path of a file. True when the start was handled
  // (an archive was written, or the user cancelled the save dialog); false
  // when nothing was built: not a script, the user answered No, a listed
  // file could not be added, or the user cancelled the build.
  bool BuildArchive(const std::string& script_path);

 private:
  FileSystem& files_;
  ProcessEnvironment& environment_;
  UserInterface& ui_;
};

}  // namespace quintarel

#endif  // UPDATER_APP_ARCHIVE_BUILDER_H_
