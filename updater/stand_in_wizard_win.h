#ifndef UPDATER_STAND_IN_WIZARD_WIN_H_
#define UPDATER_STAND_IN_WIZARD_WIN_H_

#include "package/file_system.h"
#include "updater/dialog_win.h"
#include "updater/process_environment.h"
#include "updater/updater_app.h"
#include "updater/user_interface_win.h"

namespace quintarel {

// Holds the wizard's place until the wizard steps exist: opens the archive
// as the wizard does, reports an unusable one with message 114, and
// otherwise shows the wizard window with the script's introduction.
class StandInWizard final : public Wizard, private Dialog {
 public:
  StandInWizard(FileSystem& files, ProcessEnvironment& environment, Win32UserInterface& ui)
      : files_(files), environment_(environment), ui_(ui) {}

  void Run(const std::string& archive_path) override;

 private:
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  FileSystem& files_;
  ProcessEnvironment& environment_;
  Win32UserInterface& ui_;
  std::string archive_path_;
};

}  // namespace quintarel

#endif  // UPDATER_STAND_IN_WIZARD_WIN_H_
