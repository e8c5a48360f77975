#ifndef UPDATER_WIZARD_LOCATION_STEP_H_
#define UPDATER_WIZARD_LOCATION_STEP_H_

#include <optional>
#include <string>

#include "updater/upgrade/program_locator.h"
#include "updater/wizard/wizard_step.h"

namespace quintarel {

// Finds the installed program. On every entry the hints run again; when they
// find the program the page is passed over. Otherwise it reports the
// location as unknown and lets the user pick a folder to search.
class LocationStep final : public WizardStep {
 public:
  LocationStep(WizardContext& context, std::string heading, ProgramLocator locator)
      : WizardStep(context, std::move(heading)), locator_(std::move(locator)) {}

  void AddHint(const std::string& line) { locator_.AddHint(line); }

  WizardStep* Navigate(StepCommand command) override;
  bool Activate(bool entering) override;

  const ProgramLocator& locator() const { return locator_; }
  const std::string& found_folder() const { return found_folder_; }

 private:
  // Lets the user pick folders until one holds the target file or the user
  // gives up.
  void BrowseForProgram();
  // "Program location" and the found folder, or "unknown".
  void ShowLocation();

  ProgramLocator locator_;
  std::string found_folder_;
};

}  // namespace quintarel

#endif  // UPDATER_WIZARD_LOCATION_STEP_H_
