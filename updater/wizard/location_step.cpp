#include "updater/wizard/location_step.h"

#include "package/path.h"
#include "resources/resource_ids.h"

namespace quintarel {

WizardStep* LocationStep::Navigate(StepCommand command) {
  if (command == StepCommand::kCancel) {
    const std::string& target = locator_.target_file_name();
    const std::string& name = context().application_name();
    context().ShowMessage(IDS_INSTALL_FILE, {target, name.empty() ? target : name});
    return this;
  }
  if (command == StepCommand::kBrowse) {
    BrowseForProgram();
    return this;
  }
  return WizardStep::Navigate(command);
}

bool LocationStep::Activate(bool entering) {
  if (!entering) {
    context().SetButton(ButtonRole::kBrowse, true, false);
    context().SetBody(std::nullopt);
    return true;
  }
  context().SetHeading(heading());
  if (std::optional<std::string> found = locator_.LocateByHints()) {
    context().SetProgramFolder(*found);
    return false;
  }
  found_folder_.clear();
  ShowLocation();
  // Browse is shown before Next is disabled, so that the focus (and with it
  // Enter) moves from Next to Browse.
  context().SetButton(ButtonRole::kBack, true, true);
  context().SetButton(ButtonRole::kBrowse, true, true);
  context().SetButton(ButtonRole::kNext, false, true);
  context().SetButton(ButtonRole::kCancel, true, true);
  return true;
}

void LocationStep::BrowseForProgram() {
  const WizardServices& services = context().services();
  const std::string title = services.strings.LoadText(IDS_SPECIFY_FOLDER);
  const std::string& target = locator_.target_file_name();
  found_folder_.clear();
  context().SetButton(ButtonRole::kNext, false, true);

  std::optional<std::string> choice = services.shell.BrowseForFolder(title, {});
  while (choice) {
    // A drive root comes back as "C:\" and is searched as "C:".
    const std::string chosen = WithoutTrailingSeparator(*choice);

    std::unique_ptr<BusyScope> busy = services.ui.ShowBusy();
    if (!chosen.empty()) {
      if (std::optional<std::string> found = locator_.SearchFolder(chosen, target)) {
        found_folder_ = *found;
        context().SetButton(ButtonRole::kNext, true, true);
        context().SetProgramFolder(found_folder_);
        break;
      }
    }
    busy.reset();
    if (!context().AskYesNo(IDS_CONTINUE_SEARCH, {target})) break;
    context().SetButton(ButtonRole::kNext, false, true);
    choice = services.shell.BrowseForFolder(title, chosen);
  }
  ShowLocation();
}

void LocationStep::ShowLocation() {
  StringTable& strings = context().services().strings;
  context().SetBody(strings.LoadText(IDS_PROGRAM_LOCATION) +
                    (found_folder_.empty() ? strings.LoadText(IDS_UNKNOWN) : found_folder_));
}

}  // namespace quintarel
