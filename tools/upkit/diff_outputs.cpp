#include "tools/upkit/diff_outputs.h"

#include <string_view>
#include <vector>

#include "package/script_values.h"
#include "package/update_info.h"
#include "tools/upkit/names.h"
#include "tools/upkit/program_version.h"

namespace quintarel::upkit {

namespace {

// The header section holds the guidance: key lookups skip comments there,
// while a list section would take them as lines.
constexpr std::string_view kGuidance =
    "; Written by upkit diff. copyfiles and filelist ship every file that is new\n"
    "; or changed; fill in the rest before upkit build:\n"
    ";   strings           the wizard's title, the program's name, the first page\n"
    ";   hint              how the updater finds the program, one rule a line:\n"
    ";                     exe,MAIN.EXE  reg,Company\\Product  ext,EXT\n"
    ";   license           the entry that holds the licence text (add it to\n"
    ";                     filelist too), or nothing for no licence page\n"
    ";   shortcut keyword  how the names of the Start-menu shortcuts begin\n"
    ";   shortcut target   new=old, to re-point shortcuts at a renamed file\n"
    ";   version check     program/minimum-newest, from upkit diff --program\n"
    "; Keep comments up here: a list section reads every line.\n";

void AppendSection(std::string_view section, std::string* text) {
  *text += "[";
  *text += section;
  *text += "]\n";
}

std::uint64_t TotalSize(const std::vector<FileChange>& files) {
  std::uint64_t total = 0;
  for (const FileChange& file : files) total += file.new_size;
  return total;
}

std::string Count(std::size_t count, std::string_view one) {
  return std::to_string(count) + " " + std::string(one) + (count == 1 ? "" : "s");
}

std::string Bytes(std::uint64_t count) { return std::to_string(count) + " bytes"; }

}  // namespace

std::string DiffScriptText(const FolderDiff& diff, const std::optional<ProgramVersions>& program) {
  std::string text(UpdateInfo::kSignature);
  text += "\n";
  text += UpdateInfo::kFormatKey;
  text += "=0\n";
  text += kGuidance;
  text += "\n";
  AppendSection(kStringsSection, &text);
  const std::string version = program ? VersionCheckText(program->new_number) : "VERSION";
  text += "title=PRODUCT " + version + " Upgrade\n";
  text += "appname=PRODUCT\n";
  text += "upgrade=This wizard upgrades PRODUCT to version " + version + ".\n";
  text += "\n";
  AppendSection(kHintSection, &text);
  AppendSection(kVersionCheckSection, &text);
  if (program) {
    text += program->name + "/" + VersionCheckText(program->old_number) + "-" +
            VersionCheckText(program->new_number) + "\n";
  }
  AppendSection(kLicenseSection, &text);
  AppendSection(kShortcutKeywordSection, &text);
  AppendSection(kShortcutTargetSection, &text);
  AppendSection(kCopyFilesSection, &text);
  for (const auto* list : {&diff.added, &diff.changed}) {
    for (const FileChange& file : *list) text += file.name + "=" + file.name + "\n";
  }
  AppendSection(kFileListSection, &text);
  for (const auto* list : {&diff.added, &diff.changed}) {
    for (const FileChange& file : *list) text += file.name + "\n";
  }
  return text;
}

std::string DiffReportText(const FolderDiff& diff) {
  std::string text;
  for (const FileChange& file : diff.added) {
    text += "added    " + PrintableName(file.name) + "  " + Bytes(file.new_size) + "\n";
  }
  for (const FileChange& file : diff.changed) {
    text += "changed  " + PrintableName(file.name) + "  " + std::to_string(file.old_size) +
            " -> " + Bytes(file.new_size) + "\n";
  }
  for (const FileChange& file : diff.removed) {
    text += "removed  " + PrintableName(file.name) + "  " + Bytes(file.old_size) + "\n";
  }
  const std::size_t shipped = diff.added.size() + diff.changed.size();
  text += Count(diff.added.size(), "file") + " added, " + std::to_string(diff.changed.size()) +
          " changed, " + std::to_string(diff.removed.size()) + " removed, " +
          std::to_string(diff.unchanged) + " unchanged\n";
  text += "to ship: " + Count(shipped, "file") + ", " +
          Bytes(TotalSize(diff.added) + TotalSize(diff.changed)) + "\n";
  if (!diff.removed.empty()) {
    text += "note: an update archive cannot delete a file; the " +
            Count(diff.removed.size(), "removed file") +
            (diff.removed.size() == 1 ? " stays" : " stay") +
            " in the program folder after the upgrade\n";
  }
  return text;
}

}  // namespace quintarel::upkit
