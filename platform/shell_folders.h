#ifndef PLATFORM_SHELL_FOLDERS_H_
#define PLATFORM_SHELL_FOLDERS_H_

#include <optional>
#include <string>

#include "package/name_form.h"

namespace quintarel {

// Folders that the system names.
class ShellFolders {
 public:
  virtual ~ShellFolders() = default;

  // The application-data folder shared by all users, as the shell reports
  // it; nothing when the shell cannot tell (older shells lack the lookup).
  virtual std::optional<std::string> CommonApplicationData() = 0;
  // The Start menu's program folders: the one all users share and the
  // current user's own. Nothing when the shell cannot resolve them.
  virtual std::optional<std::string> CommonPrograms() = 0;
  virtual std::optional<std::string> UserPrograms() = 0;
};

// The shell's shell folders, spelt in form (Windows builds only).
ShellFolders& OperatingSystemShellFolders(NameForm form = NameForm::kCodePage);

}  // namespace quintarel

#endif  // PLATFORM_SHELL_FOLDERS_H_
