#include "tools/upkit/script_check.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "package/archive_digests.h"
#include "package/script_values.h"
#include "package/text.h"
#include "package/update_info.h"
#include "package/version_threshold.h"
#include "tools/upkit/names.h"

namespace quintarel::upkit {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr int kMinimumEntries = 2;

// The sections that the wizard reads, each of which [japanese] may redirect.
constexpr std::string_view kWizardSections[] = {
    kStringsSection,      kCopyFilesSection,     kShortcutKeywordSection, kShortcutTargetSection,
    kHintSection,         kVersionCheckSection,  kLicenseSection,
};

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

// Digits, optionally followed by "." and digits: what the version texts
// are meant to hold.
bool IsVersionNumber(std::string_view text) {
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) return AllDigits(text);
  return AllDigits(text.substr(0, dot)) && AllDigits(text.substr(dot + 1));
}

std::string LineName(std::string_view section, std::size_t index) {
  return std::string(section) + " line " + std::to_string(index + 1);
}

class ScriptChecker {
 public:
  ScriptChecker(UpdateArchive& archive, UpdateInfo& info, std::vector<std::string>& problems)
      : archive_(archive), info_(info), problems_(problems) {}

  // With the japanese flag set, only redirected sections are checked: the
  // others read the same as without it.
  void Run() {
    if (info_.japanese()) CheckRedirections();
    if (ShouldCheck(kCopyFilesSection)) CheckCopyList();
    if (ShouldCheck(kLicenseSection)) CheckLicense();
    if (ShouldCheck(kVersionCheckSection)) CheckVersionLine();
  }

 private:
  bool ShouldCheck(std::string_view section) {
    return !info_.japanese() || !EqualsIgnoringAsciiCase(info_.MapSection(section), section);
  }

  void Problem(std::string text) { problems_.push_back(std::move(text)); }

  std::string Missing(std::string_view entry) {
    return "entry " + PrintableName(entry) + " is not in the archive";
  }

  void CheckRedirections() {
    for (const std::string_view section : kWizardSections) {
      const std::string mapped = info_.MapSection(section);
      if (EqualsIgnoringAsciiCase(mapped, section) || info_.FindSection(mapped)) continue;
      std::string text = "japanese: " + std::string(section) + " is redirected to [" +
                         PrintableName(mapped) + "], which the script does not have";
      if (TrimWhitespace(mapped).size() != mapped.size()) text += " (mind the spaces around it)";
      Problem(text + "; Japanese systems read nothing for it");
    }
  }

  void CheckCopyList() {
    const std::string section = info_.MapSection(kCopyFilesSection);
    const std::vector<std::string> lines = ReadSectionLines(info_, kCopyFilesSection);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::optional<CopyListLine> file = ParseCopyLine(lines[i]);
      if (!file) continue;
      const std::string where = LineName(section, i);
      if (lines[i].find('=') == std::string::npos) {
        Problem(where + ": no \"=\" (expected destination=entry)");
      } else if (file->destination.empty()) {
        Problem(where + ": no destination before \"=\"");
      }
      if (archive_.Find(file->entry) == -1) Problem(where + ": " + Missing(file->entry));
    }
  }

  void CheckLicense() {
    const std::optional<std::string> license = ReadLicenseEntry(info_);
    if (!license) return;
    const std::string& entry = *license;
    const std::string where = LineName(info_.MapSection(kLicenseSection), 0);
    if (entry.empty()) {
      Problem(where + ": empty; only the first line names the licence entry");
    } else if (archive_.Find(entry) == -1) {
      std::string text = where + ": " + Missing(entry);
      if (TrimWhitespace(entry).size() != entry.size()) text += " (mind the spaces around it)";
      Problem(text);
    }
  }

  void CheckVersionLine() {
    std::string line;
    if (!info_.GetLine(kVersionCheckSection, &line)) return;
    if (const std::string problem = VersionCheckProblem(line); !problem.empty()) {
      Problem(LineName(info_.MapSection(kVersionCheckSection), 0) + ": " + problem);
    }
  }

  UpdateArchive& archive_;
  UpdateInfo& info_;
  std::vector<std::string>& problems_;
};

}  // namespace

std::string ScriptRejection(std::string_view bytes) {
  const std::string first_line = "[" + std::string(UpdateInfo::kHeaderSection) + "]";
  if (bytes.empty()) return "the file is empty";
  if (bytes.starts_with(kByteOrderMark)) {
    return "it starts with a byte-order mark; the first line must be exactly " + first_line;
  }
  if (!bytes.starts_with(UpdateInfo::kSignature)) {
    return "the first line is not exactly " + first_line;
  }
  return first_line + " has no \"" + std::string(UpdateInfo::kFormatKey) + "\" key with the value 0";
}

std::string VersionCheckProblem(std::string_view line) {
  const std::string skipped = "; the updater checks no version";
  if (TrimWhitespace(line).empty()) {
    return "empty; only the first line is the version check" + skipped;
  }
  const std::size_t slash = line.find('/');
  const std::size_t dash = line.find('-');
  if (slash == std::string_view::npos || dash == std::string_view::npos) {
    std::string text(1, '"');
    text += PrintableName(line);
    return text + "\" is not of the form file/minimum-newest" + skipped;
  }
  if (dash < slash) {
    return "the first \"-\" comes before the \"/\" (the file name cannot contain \"-\")";
  }
  const std::optional<VersionCheck> check = SplitVersionCheck(line);
  if (check->file.empty()) return "no file name before the \"/\"";
  for (const auto& [what, text] : {std::pair{"minimum", &check->minimum},
                                   std::pair{"newest", &check->newest}}) {
    if (!text->empty() && !IsVersionNumber(*text)) {
      return std::string(what) + " version \"" + PrintableName(*text) +
             "\" is not a number such as 1.61";
    }
  }
  if (!check->minimum.empty() && !check->newest.empty() &&
      VersionThreshold(check->minimum) > VersionThreshold(check->newest)) {
    return "minimum version " + check->minimum + " is above the newest " + check->newest;
  }
  return std::string();
}

bool ExtractScript(UpdateArchive& archive, std::string* text) {
  if (archive.GetCount() == 0) return false;
  const ArchiveEntry& entry = archive.entry(0);
  // A codec token of 17 bits gives at most 17 bytes, so no byte of a stream
  // expands to more than 8.
  constexpr std::uint64_t kMaxExpansion = 8;
  const std::uint64_t most = entry.compressed() != 0
                                 ? static_cast<std::uint64_t>(entry.stored_size()) * kMaxExpansion
                                 : entry.stored_size();
  std::string expanded;
  expanded.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(entry.file_size(), most)));
  StringOutput output(&expanded);
  if (!archive.ExtractAt(0, output, nullptr)) return false;
  *text = std::move(expanded);
  return true;
}

std::vector<std::string> CheckArchiveScript(UpdateArchive& archive) {
  std::vector<std::string> problems;
  const int count = archive.GetCount();
  if (const int files = CountFileEntries(archive); files < kMinimumEntries) {
    problems.push_back("archive: " + std::to_string(files) + (files == 1 ? " entry" : " entries") +
                       "; the updater refuses archives with fewer than 2 (the script and a file)");
  }
  std::string script;
  if (count == 0 || !ExtractScript(archive, &script)) return problems;

  UpdateInfo info(false);
  if (!info.LoadText(script)) {
    problems.push_back("entry 0 (" + PrintableName(archive.entry(0).name()) +
                       "): not an update information script: " + ScriptRejection(script));
    return problems;
  }
  ScriptChecker(archive, info, problems).Run();
  info.set_japanese(true);
  ScriptChecker(archive, info, problems).Run();
  return problems;
}

}  // namespace quintarel::upkit
