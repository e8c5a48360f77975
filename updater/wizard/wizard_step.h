#ifndef UPDATER_WIZARD_WIZARD_STEP_H_
#define UPDATER_WIZARD_WIZARD_STEP_H_

#include <string>

#include "updater/wizard/wizard_context.h"

namespace quintarel {

// One page of the wizard. While current, a step decides what the dialog
// shows and what the buttons do; it shows itself through the context.
class WizardStep {
 public:
  WizardStep(WizardContext& context, std::string heading)
      : context_(context), heading_(std::move(heading)) {}
  virtual ~WizardStep() = default;
  WizardStep(const WizardStep&) = delete;
  WizardStep& operator=(const WizardStep&) = delete;

  // The step to go to for command; none ends the wizard. Back and Next
  // yield the neighbours, Cancel and Browse the step itself.
  virtual WizardStep* Navigate(StepCommand command);
  // Entering: shows the page and returns whether it is to be shown (false
  // passes over it). Leaving: cleans up and returns true.
  virtual bool Activate(bool entering) = 0;

  // Makes next this step's next step and this step next's previous one.
  void Link(WizardStep& next);

  WizardStep* previous() const { return previous_; }
  WizardStep* next() const { return next_; }
  const std::string& heading() const { return heading_; }

 protected:
  WizardContext& context() const { return context_; }
  // Shows the heading and the three lower buttons, each enabled and visible
  // except Back when back_enabled is false.
  void ShowPage(ButtonRole next_role, ButtonRole cancel_role, bool back_enabled = true);

 private:
  WizardStep* previous_ = nullptr;
  WizardStep* next_ = nullptr;
  WizardContext& context_;
  std::string heading_;
};

// The first page: the script's upgrade text and "Click [Next]".
class IntroStep final : public WizardStep {
 public:
  using WizardStep::WizardStep;
  WizardStep* Navigate(StepCommand command) override;
  bool Activate(bool entering) override;
};

// The licence text in the body; Next and Cancel read Agree and Disagree.
class LicenseStep final : public WizardStep {
 public:
  LicenseStep(WizardContext& context, std::string heading, std::string license_text)
      : WizardStep(context, std::move(heading)), license_text_(std::move(license_text)) {}
  bool Activate(bool entering) override;

 private:
  std::string license_text_;
};

// The last page; Finish runs the upgrade.
class FinishStep final : public WizardStep {
 public:
  using WizardStep::WizardStep;
  WizardStep* Navigate(StepCommand command) override;
  bool Activate(bool entering) override;
};

}  // namespace quintarel

#endif  // UPDATER_WIZARD_WIZARD_STEP_H_
