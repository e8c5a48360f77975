#include "updater/wizard/version_step.h"

namespace quintarel {

WizardStep* VersionStep::Navigate(StepCommand command) {
  if (dead_end_) return nullptr;
  return WizardStep::Navigate(command);
}

bool VersionStep::Activate(bool entering) {
  if (!entering) return true;
  dead_end_ = false;
  if (!context().CheckMinimum()) {
    dead_end_ = true;
    return false;
  }
  if (!context().IsNewestInstalled()) return false;
  ShowPage(ButtonRole::kNext, ButtonRole::kCancel);
  return true;
}

}  // namespace quintarel
