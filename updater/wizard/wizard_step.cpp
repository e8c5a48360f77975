#include "updater/wizard/wizard_step.h"

#include "resources/resource_ids.h"

namespace quintarel {

WizardStep* WizardStep::Navigate(StepCommand command) {
  switch (command) {
    case StepCommand::kBack: return previous_;
    case StepCommand::kNext: return next_;
    case StepCommand::kCancel:
    case StepCommand::kBrowse: break;
  }
  return this;
}

void WizardStep::Link(WizardStep& next) {
  next_ = &next;
  next.previous_ = this;
}

void WizardStep::ShowPage(ButtonRole next_role, ButtonRole cancel_role, bool back_enabled) {
  context_.SetHeading(heading_);
  context_.SetButton(ButtonRole::kBack, back_enabled, true);
  context_.SetButton(next_role, true, true);
  context_.SetButton(cancel_role, true, true);
}

WizardStep* IntroStep::Navigate(StepCommand command) {
  // There is nothing before the first page: Back stays here.
  return command == StepCommand::kNext ? next() : this;
}

bool IntroStep::Activate(bool entering) {
  if (entering) ShowPage(ButtonRole::kNext, ButtonRole::kCancel, false);
  return true;
}

bool LicenseStep::Activate(bool entering) {
  if (!entering) {
    context().SetBody(std::nullopt);
    return true;
  }
  ShowPage(ButtonRole::kAgree, ButtonRole::kDisagree);
  context().SetBody(license_text_);
  return true;
}

WizardStep* FinishStep::Navigate(StepCommand command) {
  if (command != StepCommand::kNext) return WizardStep::Navigate(command);
  if (!context().WriteProgramFiles()) return nullptr;
  context().CallEnvironmentLibrary();
  context().UpdateShortcuts();
  context().ShowMessage(IDS_UPGRADE_DONE);
  context().ReportLeftoverBackups();
  return next();
}

bool FinishStep::Activate(bool entering) {
  if (entering) ShowPage(ButtonRole::kFinish, ButtonRole::kCancel);
  return true;
}

}  // namespace quintarel
