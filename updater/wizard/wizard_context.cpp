#include "updater/wizard/wizard_context.h"

#include <algorithm>
#include <array>

#include "package/path.h"
#include "resources/resource_ids.h"
#include "updater/upgrade/installed_version.h"
#include "updater/upgrade/open_update.h"
#include "updater/upgrade/upgrade_journal.h"
#include "updater/wizard/location_step.h"
#include "updater/wizard/version_step.h"
#include "updater/wizard/wizard_step.h"

namespace quintarel {

namespace {

struct ButtonFace {
  int control_id;
  int caption_id;
};

// Indexed by ButtonRole.
constexpr std::array<ButtonFace, 7> kButtonFaces = {{
    {IDC_WIZARD_BACK, IDS_BUTTON_BACK},
    {IDC_WIZARD_NEXT, IDS_BUTTON_NEXT},
    {IDC_WIZARD_CANCEL, IDS_BUTTON_CANCEL},
    {IDC_WIZARD_NEXT, IDS_BUTTON_AGREE},
    {IDC_WIZARD_CANCEL, IDS_BUTTON_DISAGREE},
    {IDC_WIZARD_NEXT, IDS_BUTTON_FINISH},
    {IDC_WIZARD_BROWSE, IDS_BUTTON_BROWSE},
}};

// The entry's text up to its first zero byte.
std::string TextOf(const MemoryStream& stream) {
  const std::uint8_t* begin = stream.data();
  const std::uint8_t* end = std::find(begin, begin + stream.size(), 0);
  return std::string(begin, end);
}

}  // namespace

WizardContext::WizardContext(const WizardServices& services) : services_(services) {}

WizardContext::~WizardContext() = default;

bool WizardContext::BuildSteps(WizardView& view, const std::string& archive_path) {
  view_ = &view;
  archive_ = std::make_unique<UpdateArchive>(services_.files);
  UpdateInfo script(services_.profile.CountryCode() == kJapanCountryCode);
  bool opened = false;
  {
    // Checking a sealed archive expands every entry once.
    const std::unique_ptr<BusyScope> busy = services_.ui.ShowBusy();
    opened = OpenUpdate(archive_path, *archive_, script);
  }
  if (!opened || !ReadScript(script)) {
    steps_.clear();
    return false;
  }
  for (std::size_t i = 1; i < steps_.size(); ++i) steps_[i - 1]->Link(*steps_[i]);
  current_ = steps_.front().get();
  current_->Activate(true);
  return true;
}

bool WizardContext::ReadScript(UpdateInfo& script) {
  StringTable& strings = services_.strings;
  if (std::optional<std::string> title = ReadTitle(script)) {
    services_.ui.SetTitle(*title);
    view_->SetCaption(*title);
  }
  application_name_ = ReadApplicationName(script);
  upgrade_text_ = ReadUpgradeText(script);
  copy_list_ = ReadCopyList(script);
  shortcut_keyword_ = ReadShortcutKeyword(script);
  shortcut_targets_ = ReadShortcutTargets(script);

  steps_.push_back(std::make_unique<IntroStep>(*this, upgrade_text_ + strings.LoadText(IDS_INTRO_CLICK_NEXT)));
  auto location = std::make_unique<LocationStep>(
      *this, strings.LoadText(IDS_LOCATION_CLICK_BROWSE),
      ProgramLocator(services_.files, services_.registry, services_.shell));
  for (const std::string& hint : ReadHintList(script)) location->AddHint(hint);
  steps_.push_back(std::move(location));

  if (std::optional<VersionCheck> check = ReadVersionCheck(script)) {
    version_check_ = std::move(*check);
    steps_.push_back(std::make_unique<VersionStep>(*this, strings.LoadText(IDS_NEWEST_INSTALLED)));
  }
  if (std::optional<std::string> license = ReadLicenseEntry(script)) {
    MemoryStream text;
    if (!archive_->ExtractByName(*license, text, nullptr)) return false;
    steps_.push_back(std::make_unique<LicenseStep>(*this, strings.LoadText(IDS_LICENSE_READ), TextOf(text)));
  }
  steps_.push_back(std::make_unique<FinishStep>(*this, strings.LoadText(IDS_READY_TO_UPGRADE)));
  return true;
}

void WizardContext::Back() { Travel(StepCommand::kBack); }

void WizardContext::Next() { Travel(StepCommand::kNext); }

void WizardContext::Travel(StepCommand command) {
  if (current_ == nullptr) return;
  current_->Activate(false);
  WizardStep* step = current_->Navigate(command);
  for (;;) {
    current_ = step;
    if (step == nullptr) {
      view_->End(WizardResult::kOk);
      return;
    }
    if (step->Activate(true)) return;
    // A step that declines is left again, and the wizard moves on in the
    // same direction.
    step->Activate(false);
    step = step->Navigate(command);
  }
}

void WizardContext::Cancel() {
  if (current_ == nullptr) return;
  current_->Navigate(StepCommand::kCancel);
  view_->End(WizardResult::kCancel);
}

void WizardContext::Browse() {
  if (current_ != nullptr) current_->Navigate(StepCommand::kBrowse);
}

void WizardContext::SetButton(ButtonRole role, bool enabled, bool visible) {
  const ButtonFace& face = kButtonFaces[static_cast<std::size_t>(role)];
  std::string caption = services_.strings.LoadText(face.caption_id);
  if (role == ButtonRole::kBrowse) caption += "...";
  view_->SetButton(face.control_id, caption, enabled, visible);
}

void WizardContext::SetHeading(const std::string& text) { view_->SetHeading(text); }

void WizardContext::SetBody(const std::optional<std::string>& text) { view_->SetBody(text); }

void WizardContext::SetProgramFolder(const std::string& folder) {
  program_folder_ = WithTrailingSeparator(folder);
  // Before anything looks at the program: an upgrade killed there is taken
  // back (or finished, when it was committed).
  RecoverInterruptedUpgrade(services_.files, program_folder_);
}

void WizardContext::ReportLeftoverBackups() {
  if (leftover_backups_.empty()) return;
  std::string names;
  for (const std::string& backup : leftover_backups_) names += "\r\n" + backup;
  ShowMessage(IDS_BACKUPS_LEFT, {names});
}

bool WizardContext::CheckMinimum() {
  if (JudgeInstalledVersion(services_.versions, program_folder_, version_check_) != InstalledVersion::kTooOld) {
    return true;
  }
  ShowMessage(IDS_VERSION_TOO_OLD, {version_check_.minimum});
  return false;
}

bool WizardContext::IsNewestInstalled() {
  return JudgeInstalledVersion(services_.versions, program_folder_, version_check_) == InstalledVersion::kNewest;
}

ProgramUpgrade WizardContext::Upgrade() {
  const UpgradeServices services{services_.files, services_.library, services_.folders, services_.links,
                                 services_.program_path};
  return ProgramUpgrade(services, *archive_,
                        {program_folder_, copy_list_, shortcut_keyword_, shortcut_targets_});
}

bool WizardContext::WriteProgramFiles() {
  std::unique_ptr<BusyScope> busy = services_.ui.ShowBusy();
  WriteOutcome outcome = Upgrade().WriteProgramFiles();
  busy.reset();
  leftover_backups_ = std::move(outcome.leftover_backups);
  if (outcome.written()) return true;
  ShowMessage(IDS_WRITE_FAILED);
  return false;
}

bool WizardContext::CallEnvironmentLibrary() {
  const std::unique_ptr<BusyScope> busy = services_.ui.ShowBusy();
  return Upgrade().CallEnvironmentLibrary().result;
}

void WizardContext::UpdateShortcuts() { Upgrade().UpdateShortcuts(); }

void WizardContext::ShowMessage(int text_id, std::initializer_list<std::string_view> values) {
  services_.ui.ShowMessage(FillPlaceholders(services_.strings.LoadText(text_id), values),
                           MessageIcon::kInformation);
}

bool WizardContext::AskYesNo(int text_id, std::initializer_list<std::string_view> values) {
  return services_.ui.AskYesNo(FillPlaceholders(services_.strings.LoadText(text_id), values));
}

}  // namespace quintarel
