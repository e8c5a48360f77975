#ifndef PLATFORM_SPECIAL_FOLDERS_H_
#define PLATFORM_SPECIAL_FOLDERS_H_

#include <optional>
#include <string>

namespace quintarel {

// Folders that the system names.
class SpecialFolders {
 public:
  virtual ~SpecialFolders() = default;

  // The application-data folder shared by all users, as the shell reports
  // it; nothing when the shell cannot tell (older shells lack the lookup).
  virtual std::optional<std::string> CommonApplicationData() = 0;
};

// The shell's special folders (Windows builds only).
SpecialFolders& OperatingSystemSpecialFolders();

}  // namespace quintarel

#endif  // PLATFORM_SPECIAL_FOLDERS_H_
