#include "updater/unattended/unattended_upgrade.h"

#include "package/archive_digests.h"
#include "package/path.h"
#include "package/script_values.h"
#include "package/text.h"
#include "package/update_archive.h"
#include "package/update_info.h"
#include "resources/resource_ids.h"
#include "updater/app/updater_app.h"
#include "updater/upgrade/installed_version.h"
#include "updater/upgrade/open_update.h"
#include "updater/upgrade/program_locator.h"
#include "updater/upgrade/program_upgrade.h"
#include "updater/upgrade/upgrade_journal.h"

namespace quintarel {

namespace {

// A message box's text on one line of the log.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::string line;
  for (const char c : text) {
    if (c != ' ' || line.empty() || line.back() != ' ') line += c;
  }
  return line;
}

std::string WriteFailureText(const WriteOutcome& outcome, const std::vector<CopyListLine>& copy_list) {
  if (outcome.failure == WriteOutcome::Failure::kJournal || outcome.failed_line >= copy_list.size()) {
    return "the upgrade journal could not be written, or an earlier upgrade's is still there";
  }
  const CopyListLine& line = copy_list[outcome.failed_line];
  std::string text = "copy line " + std::to_string(outcome.failed_line + 1) + " (" + line.destination + "=" +
                     line.entry + ")";
  switch (outcome.failure) {
    case WriteOutcome::Failure::kOutsideProduct: return text + " would write outside the installation";
    case WriteOutcome::Failure::kInUse: return text + ": the file is in use";
    case WriteOutcome::Failure::kNone:
    case WriteOutcome::Failure::kNotWritten:
    case WriteOutcome::Failure::kJournal:
      break;
  }
  return text + " could not be written";
}

const char* RecoveryText(RecoveryOutcome::Action action) {
  switch (action) {
    case RecoveryOutcome::Action::kRolledBack: return "an interrupted upgrade was taken back";
    case RecoveryOutcome::Action::kFinished: return "an interrupted upgrade's backups were removed";
    case RecoveryOutcome::Action::kKept: return "an interrupted upgrade's journal could not be recovered yet";
    case RecoveryOutcome::Action::kNone: break;
  }
  return "";
}

// What a seal that does not hold tells of the archive, a line each.
std::vector<std::string> SealProblemLines(const UpdateArchive& archive, const DigestCheck& seal) {
  switch (seal.state) {
    case DigestCheck::State::kMalformed: return {"the archive's digests cannot be read: " + seal.problem};
    case DigestCheck::State::kCannotHash: return {"the system offers no SHA-256 to check the archive's digests"};
    case DigestCheck::State::kDamaged: break;
    case DigestCheck::State::kUnsealed:
    case DigestCheck::State::kSound:
      return {};
  }
  std::vector<std::string> lines;
  for (const int index : seal.damaged) {
    lines.push_back("entry " + std::to_string(index) + " (" + archive.entry(index).name() +
                    ") differs from the bytes sealed in the archive (SHA-256)");
  }
  return lines;
}

}  // namespace

UnattendedResult RunUnattended(const UnattendedServices& services, const UnattendedOptions& options,
                               const std::function<void(const std::string&)>& log) {
  const auto message = [&](int id, std::initializer_list<std::string_view> values = {}) {
    return OneLine(FillPlaceholders(services.strings.LoadText(id), values));
  };
  if (!services.environment.ClaimInstance(UpdaterApp::kMutexName)) {
    log("another copy of the updater is running");
    return UnattendedResult::kAlreadyRunning;
  }

  std::string archive_path = DefaultArchivePath(services.environment.ProgramPath());
  if (options.archive) {
    const std::optional<std::string> match = services.environment.FindFirstMatch(*options.archive);
    archive_path = match ? *match : *options.archive;
  }
  log("archive: " + archive_path);
  UpdateArchive archive(services.files);
  UpdateInfo script(services.profile.CountryCode() == kJapanCountryCode);
  DigestCheck seal;
  const bool opened = OpenUpdate(archive_path, archive, script, &seal);
  const std::optional<std::string> license = opened ? ReadLicenseEntry(script) : std::nullopt;
  // The wizard shows the licence, so one that does not expand ends it too.
  MemoryStream license_text;
  if (!opened || (license && !archive.ExtractByName(*license, license_text, nullptr))) {
    for (const std::string& line : SealProblemLines(archive, seal)) log(line);
    log(message(IDS_FILES_MISSING));
    return UnattendedResult::kBadArchive;
  }
  if (license) log("licence " + *license + " taken as accepted by whoever ran the upgrade");

  std::string folder;
  ProgramLocator locator(services.files, services.registry, services.shell);
  for (const std::string& hint : ReadHintList(script)) locator.AddHint(hint);
  if (options.folder) {
    folder = WithTrailingSeparator(*options.folder);
    const std::string& target = locator.target_file_name();
    if (!services.files.Exists(WithoutTrailingSeparator(folder)) ||
        (!target.empty() && !services.files.Exists(folder + target))) {
      log("program folder " + folder + " (from /dir) does not hold the program");
      return UnattendedResult::kNotFound;
    }
    log("program folder: " + folder + " (from /dir)");
  } else if (const std::optional<std::string> found = locator.LocateByHints()) {
    folder = WithTrailingSeparator(*found);
    log("program folder: " + folder + " (found by the script's hints)");
  } else {
    log("the installed program was not found by the script's hints; give its folder with /dir");
    return UnattendedResult::kNotFound;
  }
  const RecoveryOutcome recovery = RecoverInterruptedUpgrade(services.files, folder);
  if (recovery.action != RecoveryOutcome::Action::kNone) log(RecoveryText(recovery.action));

  if (const std::optional<VersionCheck> check = ReadVersionCheck(script)) {
    log("installed version of " + check->file + ": " +
        std::to_string(services.versions.VersionNumber(folder + check->file)) + ", range " + check->minimum +
        " to " + check->newest);
    switch (JudgeInstalledVersion(services.versions, folder, *check)) {
      case InstalledVersion::kTooOld:
        log(message(IDS_VERSION_TOO_OLD, {check->minimum}));
        return UnattendedResult::kTooOld;
      case InstalledVersion::kNewest:
        log(message(IDS_NEWEST_INSTALLED));
        if (!options.force) return UnattendedResult::kNewestInstalled;
        log("going on: /force");
        break;
      case InstalledVersion::kUpgradable:
        break;
    }
  }

  const std::vector<CopyListLine> copy_list = ReadCopyList(script);
  ProgramUpgrade upgrade({services.files, services.library, services.folders, services.links,
                          services.environment.ProgramPath()},
                         archive, {folder, copy_list, ReadShortcutKeyword(script), ReadShortcutTargets(script)});
  const WriteOutcome written = upgrade.WriteProgramFiles();
  if (!written.written()) {
    log(WriteFailureText(written, copy_list) + "; every file was put back");
    log(message(IDS_WRITE_FAILED));
    return UnattendedResult::kNotWritten;
  }
  for (const CopyListLine& line : copy_list) log("written: " + line.destination + " from " + line.entry);
  for (const std::string& backup : written.leftover_backups) log("backup left for the next start: " + backup);

  const LibraryOutcome library = upgrade.CallEnvironmentLibrary();
  log(!library.found ? "environment library: not found, not called"
                     : std::string("environment library: DoIt returned ") + (library.result ? "TRUE" : "FALSE"));
  for (const std::string& shortcut : upgrade.UpdateShortcuts()) log("shortcut turned: " + shortcut);
  log(message(IDS_UPGRADE_DONE));
  return UnattendedResult::kUpgraded;
}

}  // namespace quintarel
