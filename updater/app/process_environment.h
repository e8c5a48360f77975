#ifndef UPDATER_APP_PROCESS_ENVIRONMENT_H_
#define UPDATER_APP_PROCESS_ENVIRONMENT_H_

#include <optional>
#include <string>

namespace quintarel {

// What the application shell needs from the process and the system.
class ProcessEnvironment {
 public:
  virtual ~ProcessEnvironment() = default;

  // Creates the named mutex and keeps it until the environment goes away.
  // False when it already exists, that is, another copy runs: creating and
  // checking in one step lets only one of two copies started together pass.
  // A mutex that cannot be made for another reason is not reported: the
  // program then runs unguarded.
  virtual bool ClaimInstance(const std::string& name) = 0;
  // Full path of the program's own file.
  virtual std::string ProgramPath() = 0;
  // Full path of the first file-system object that matches pattern (which
  // may hold * and ?), or nothing.
  virtual std::optional<std::string> FindFirstMatch(const std::string& pattern) = 0;
  virtual bool SetCurrentFolder(const std::string& path) = 0;
};

}  // namespace quintarel

#endif  // UPDATER_APP_PROCESS_ENVIRONMENT_H_
