#ifndef PLATFORM_SHELL_H_
#define PLATFORM_SHELL_H_

#include <optional>
#include <string>

namespace quintarel {

// The shell services that the location page needs.
class Shell {
 public:
  virtual ~Shell() = default;

  // Full path of the program registered to open files with this extension
  // (given without its dot). The system is asked about an empty probe file of
  // that type in the temporary folder, which is removed again. Nothing when
  // no program is registered or the probe cannot be made.
  virtual std::optional<std::string> FindAssociatedProgram(const std::string& extension) = 0;

  // The system folder browser with title as its instruction line and
  // preselection selected when it names a folder. The chosen folder's path,
  // or nothing when the user cancelled.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title,
                                                     const std::string& preselection) = 0;
};

// The system shell (Windows builds only).
Shell& OperatingSystemShell();

}  // namespace quintarel

#endif  // PLATFORM_SHELL_H_
