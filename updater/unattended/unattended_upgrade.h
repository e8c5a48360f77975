#ifndef UPDATER_UNATTENDED_UNATTENDED_UPGRADE_H_
#define UPDATER_UNATTENDED_UNATTENDED_UPGRADE_H_

#include <functional>
#include <string>

#include "updater/app/process_environment.h"
#include "updater/unattended/unattended_options.h"
#include "updater/upgrade/system_services.h"

namespace quintarel {

// How an unattended upgrade ended: the process's exit code.
enum class UnattendedResult {
  kUpgraded = 0,
  kNotWritten = 1,        // a file could not be written; everything was put back
  kUsage = 2,             // the command line or the log
  kBadArchive = 3,        // missing, damaged, or not an update archive
  kNotFound = 4,          // the installed program was not found
  kTooOld = 5,            // the installed version is below the archive's minimum
  kNewestInstalled = 6,   // nothing changed; /force goes on
  kAlreadyRunning = 7,    // another copy of the updater runs
};

// The system's services, and the process the run reports to.
struct UnattendedServices : SystemServices {
  ProcessEnvironment& environment;
};

// The wizard's path without its pages: one copy at a time, the archive and
// its script, the program's folder (from /dir or the script's hints), the
// version check, then the upgrade core. Each step is told to log as a line
// of text; nothing is shown.
UnattendedResult RunUnattended(const UnattendedServices& services, const UnattendedOptions& options,
                               const std::function<void(const std::string&)>& log);

}  // namespace quintarel

#endif  // UPDATER_UNATTENDED_UNATTENDED_UPGRADE_H_
