#include "updater/upgrade/program_upgrade.h"

#include <string_view>
#include <utility>

#include "package/path.h"
#include "package/text.h"
#include "updater/upgrade/copy_destination.h"
#include "updater/upgrade/program_file_writer.h"

namespace quintarel {

ProgramUpgrade::ProgramUpgrade(const UpgradeServices& services, UpdateArchive& archive, UpgradePlan plan)
    : services_(services), archive_(archive), plan_(std::move(plan)) {}

WriteOutcome ProgramUpgrade::WriteProgramFiles() {
  WriteOutcome outcome;
  ProgramFileWriter writer(services_.files, archive_, plan_.program_folder);
  const auto fail = [&](WriteOutcome::Failure failure, std::size_t line) {
    writer.Rollback();
    outcome.failure = failure;
    outcome.failed_line = line;
    return outcome;
  };
  const std::vector<CopyListLine>& lines = plan_.copy_list;
  std::vector<std::string> destinations;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::optional<std::string> path = ConfinedDestination(plan_.program_folder, lines[i].destination);
    if (!path || IsJournalPath(plan_.program_folder, *path)) return fail(WriteOutcome::Failure::kOutsideProduct, i);
    if (!writer.CanWrite(*path)) return fail(WriteOutcome::Failure::kInUse, i);
    destinations.push_back(std::move(*path));
  }
  if (!writer.Begin(destinations)) return fail(WriteOutcome::Failure::kJournal, 0);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!writer.Write(i, lines[i].entry)) return fail(WriteOutcome::Failure::kNotWritten, writer.failed_index());
  }
  if (!writer.Finish()) return fail(WriteOutcome::Failure::kNotWritten, writer.failed_index());
  if (!writer.Commit(&outcome.leftover_backups)) return fail(WriteOutcome::Failure::kJournal, 0);
  return outcome;
}

LibraryOutcome ProgramUpgrade::CallEnvironmentLibrary() {
  const std::optional<bool> result = services_.library.CallDoIt(
      LibraryPathBeside(services_.updater_path), InstallationRoot(plan_.program_folder));
  return {result.has_value(), result.value_or(false)};
}

std::vector<std::string> ProgramUpgrade::UpdateShortcuts() {
  std::vector<std::string> turned;
  if (plan_.shortcut_targets.empty() || !services_.links.BeginSession()) return turned;
  const std::string base = WithTrailingSeparator(plan_.program_folder);
  ShortOldPaths short_olds;
  for (const ShortcutTarget& line : plan_.shortcut_targets) {
    short_olds.push_back(services_.links.ShortPath(base + line.old_path));
  }
  if (const auto folder = services_.folders.CommonPrograms()) ScanShortcutFolder(*folder, short_olds, &turned);
  if (const auto folder = services_.folders.UserPrograms()) ScanShortcutFolder(*folder, short_olds, &turned);
  services_.links.EndSession();
  return turned;
}

void ProgramUpgrade::ScanShortcutFolder(const std::string& folder, const ShortOldPaths& short_olds,
                                        std::vector<std::string>* turned) {
  std::vector<FolderEntry> entries;
  if (!services_.files.ListFolder(folder, &entries)) return;
  constexpr std::string_view kExtension = ".lnk";
  for (const FolderEntry& entry : entries) {
    const std::string_view name = entry.name;
    if (name.size() >= kExtension.size() &&
        EqualsIgnoringAsciiCase(name.substr(name.size() - kExtension.size()), kExtension) &&
        StartsWithIgnoringAsciiCase(name, plan_.shortcut_keyword)) {
      const std::string shortcut = JoinPath(folder, name);
      if (RetargetShortcut(shortcut, short_olds)) turned->push_back(shortcut);
    }
  }
  for (const FolderEntry& entry : entries) {
    if (entry.is_folder && !entry.is_link) ScanShortcutFolder(JoinPath(folder, entry.name), short_olds, turned);
  }
}

bool ProgramUpgrade::RetargetShortcut(const std::string& shortcut, const ShortOldPaths& short_olds) {
  ShellLinks& links = services_.links;
  const std::optional<std::string> target = links.ReadTarget(shortcut);
  if (!target) return false;
  const std::optional<std::string> short_target = links.ShortPath(*target);
  if (!short_target) return false;
  const std::string base = WithTrailingSeparator(plan_.program_folder);
  // Every line is tried against the target as first read: when two name the
  // same old file, the later one is what the shortcut keeps.
  bool turned = false;
  for (std::size_t i = 0; i < plan_.shortcut_targets.size(); ++i) {
    const std::optional<std::string>& short_old = short_olds[i];
    if (short_old && EqualsIgnoringCase(*short_old, *short_target) &&
        links.SetTarget(shortcut, base + plan_.shortcut_targets[i].new_path)) {
      turned = true;
    }
  }
  return turned;
}

}  // namespace quintarel
