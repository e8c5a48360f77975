#ifndef UPDATER_WIZARD_VERSION_STEP_H_
#define UPDATER_WIZARD_VERSION_STEP_H_

#include "updater/wizard/wizard_step.h"

namespace quintarel {

// Checks the installed version on every entry. Too old: IDS_VERSION_TOO_OLD and a
// dead end, so the wizard finds no further page and ends. Already the
// newest: the page is shown and the user may go on anyway. Otherwise it is
// passed over.
class VersionStep final : public WizardStep {
 public:
  using WizardStep::WizardStep;

  WizardStep* Navigate(StepCommand command) override;
  bool Activate(bool entering) override;

 private:
  bool dead_end_ = false;
};

}  // namespace quintarel

#endif  // UPDATER_WIZARD_VERSION_STEP_H_
