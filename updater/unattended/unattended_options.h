#ifndef UPDATER_UNATTENDED_UNATTENDED_OPTIONS_H_
#define UPDATER_UNATTENDED_UNATTENDED_OPTIONS_H_

#include <optional>
#include <string>
#include <vector>

namespace quintarel {

// updater.exe /quiet [/log=FILE] [/dir=FOLDER] [/force] [ARCHIVE]
struct UnattendedOptions {
  std::optional<std::string> log;
  // The program folder, in place of the script's hints.
  std::optional<std::string> folder;
  // Go on when the newest version is already installed.
  bool force = false;
  std::optional<std::string> archive;
};

// Whether the command line asks for an unattended upgrade: its first
// argument is "/quiet" in any letter case. No file name begins with "/", so
// no command line of the wizard or the builder means this.
bool IsUnattended(const std::vector<std::string>& arguments);

// Reads the arguments after "/quiet" into *options: "" when they are
// usable, else the usage error (a switch given twice, an unknown switch, a
// switch without its value, a second archive).
std::string ParseUnattendedOptions(const std::vector<std::string>& arguments, UnattendedOptions* options);

// The command line's help, written where a usage error goes.
extern const char kUnattendedUsage[];

}  // namespace quintarel

#endif  // UPDATER_UNATTENDED_UNATTENDED_OPTIONS_H_
