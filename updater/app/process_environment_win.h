#ifndef UPDATER_APP_PROCESS_ENVIRONMENT_WIN_H_
#define UPDATER_APP_PROCESS_ENVIRONMENT_WIN_H_

#include "platform/scoped_handle_win.h"
#include "updater/app/process_environment.h"

namespace quintarel {

class Win32ProcessEnvironment final : public ProcessEnvironment {
 public:
  bool ClaimInstance(const std::string& name) override;
  std::string ProgramPath() override;
  std::optional<std::string> FindFirstMatch(const std::string& pattern) override;
  bool SetCurrentFolder(const std::string& path) override;

 private:
  ScopedKernelHandle mutex_;
};

}  // namespace quintarel

#endif  // UPDATER_APP_PROCESS_ENVIRONMENT_WIN_H_
