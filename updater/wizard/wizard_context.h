#ifndef UPDATER_WIZARD_WIZARD_CONTEXT_H_
#define UPDATER_WIZARD_WIZARD_CONTEXT_H_

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/script_values.h"
#include "package/update_archive.h"
#include "package/update_info.h"
#include "updater/ui/user_interface.h"
#include "updater/upgrade/program_upgrade.h"
#include "updater/upgrade/system_services.h"
#include "updater/wizard/wizard_view.h"

namespace quintarel {

class WizardStep;

// Navigation commands, as the dialog's buttons give them.
enum class StepCommand { kBack = 0, kNext = 1, kCancel = 2, kBrowse = 3 };

// Each role puts one caption from the string table on one of the buttons.
enum class ButtonRole { kBack = 0, kNext = 1, kCancel = 2, kAgree = 3, kDisagree = 4, kFinish = 5, kBrowse = 6 };

// The services the wizard works through: the system's, and the window it
// shows itself in; all outlive the context.
struct WizardServices : SystemServices {
  UserInterface& ui;
  // The updater's own full path; the environment library lies beside it.
  std::string program_path;
};

// The wizard's model: the opened archive, the values taken from its script,
// the steps and the current one. The dialog owns it and passes every button
// on to it; the steps show themselves through it.
class WizardContext {
 public:
  explicit WizardContext(const WizardServices& services);
  ~WizardContext();
  WizardContext(const WizardContext&) = delete;
  WizardContext& operator=(const WizardContext&) = delete;

  // Opens the archive, reads its script, builds the steps and shows the
  // first. False when the archive cannot be read, holds fewer than two
  // entries, its script is invalid or its licence entry is missing; the
  // dialog then reports IDS_FILES_MISSING. Nothing is shown or written then.
  bool BuildSteps(WizardView& view, const std::string& archive_path);

  // The four buttons. Next and Back pass over steps that decline to be
  // shown; when no step is left the dialog ends.
  void Back();
  void Next();
  void Cancel();
  void Browse();

  void SetButton(ButtonRole role, bool enabled, bool visible);
  void SetHeading(const std::string& text);
  void SetBody(const std::optional<std::string>& text);
  // Stores folder as the program folder, with a trailing "\" ensured, after
  // recovering an upgrade that was interrupted there.
  void SetProgramFolder(const std::string& folder);

  // The installed version against the script's minimum: true when it may be
  // upgraded; false after IDS_VERSION_TOO_OLD.
  bool CheckMinimum();
  // Whether the installed version is at or above the script's newest.
  bool IsNewestInstalled();

  // The work of Finish, in this order, each step done by the program
  // upgrade under the wait cursor. WriteProgramFiles writes the copy list
  // into the program folder: true when every line was written; otherwise
  // nothing changed and IDS_WRITE_FAILED was shown.
  bool WriteProgramFiles();
  // Tells the user of the old files that the last WriteProgramFiles could
  // not remove (IDS_BACKUPS_LEFT), if any; the next run's recovery removes them.
  void ReportLeftoverBackups();
  // Calls DoIt of the environment library beside the updater with the
  // installation root: its result, or false when the library or its export
  // is missing.
  bool CallEnvironmentLibrary();
  // Turns the Start menu's shortcuts from old files of the shortcut target
  // list to the new ones, in both program folders.
  void UpdateShortcuts();

  // A text of the string table with each "%s" filled from values, shown
  // under the message-box convention.
  void ShowMessage(int text_id, std::initializer_list<std::string_view> values = {});
  bool AskYesNo(int text_id, std::initializer_list<std::string_view> values = {});

  const WizardServices& services() const { return services_; }
  const std::string& program_folder() const { return program_folder_; }
  const std::string& application_name() const { return application_name_; }
  const std::vector<CopyListLine>& copy_list() const { return copy_list_; }
  const std::string& shortcut_keyword() const { return shortcut_keyword_; }
  const std::vector<ShortcutTarget>& shortcut_targets() const { return shortcut_targets_; }
  const VersionCheck& version_check() const { return version_check_; }
  const UpdateArchive& archive() const { return *archive_; }
  const WizardStep* current() const { return current_; }

 private:
  // Leaves the current step for the one command yields, passing over steps
  // that decline to be shown in the same direction; ends the dialog when no
  // step is left.
  void Travel(StepCommand command);
  // Takes the values out of the script and creates the steps.
  bool ReadScript(UpdateInfo& script);
  // The upgrade of the program folder as it stands.
  ProgramUpgrade Upgrade();

  WizardServices services_;
  WizardView* view_ = nullptr;
  std::unique_ptr<UpdateArchive> archive_;
  std::vector<std::unique_ptr<WizardStep>> steps_;
  WizardStep* current_ = nullptr;

  std::string upgrade_text_;
  std::string application_name_;
  std::vector<CopyListLine> copy_list_;
  std::vector<std::string> leftover_backups_;
  std::string program_folder_;
  VersionCheck version_check_;
  std::string shortcut_keyword_;
  std::vector<ShortcutTarget> shortcut_targets_;
};

}  // namespace quintarel

#endif  // UPDATER_WIZARD_WIZARD_CONTEXT_H_
