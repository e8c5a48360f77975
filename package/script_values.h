#ifndef PACKAGE_SCRIPT_VALUES_H_
#define PACKAGE_SCRIPT_VALUES_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/text.h"
#include "package/update_info.h"

namespace quintarel {

// Sections that the wizard and the builder read.
inline constexpr std::string_view kCopyFilesSection = "copyfiles";
inline constexpr std::string_view kShortcutTargetSection = "shortcut target";
inline constexpr std::string_view kShortcutKeywordSection = "shortcut keyword";
inline constexpr std::string_view kHintSection = "hint";
inline constexpr std::string_view kVersionCheckSection = "version check";
inline constexpr std::string_view kLicenseSection = "license";
inline constexpr std::string_view kStringsSection = "strings";
inline constexpr std::string_view kFileListSection = "filelist";

// The values that the wizard and the builder take out of an update
// information script. Each function runs its own lookups from the start of
// the script, so they may be called in any order.

// One line of [copyfiles]: destination (relative to the program folder) =
// archive entry. A line without "=" gives an empty destination and the whole
// line as the entry; writing to the program folder itself then fails, so
// the upgrade reports the line instead of skipping it.
struct CopyListLine {
  std::string destination;
  std::string entry;
};

// One line of [shortcut target]: shortcuts pointing at old_path are turned
// to new_path (both relative to the program folder).
struct ShortcutTarget {
  std::string new_path;
  std::string old_path;
};

// The parts of the [version check] line "file/minimum-newest".
struct VersionCheck {
  std::string file;
  std::string minimum;
  std::string newest;
};

// Lines of [copyfiles] of 3 bytes or more that do not begin with ";", split
// at the first "=", both parts trimmed of whitespace.
std::vector<CopyListLine> ReadCopyList(UpdateInfo& info);
// One [copyfiles] line as ReadCopyList takes it; nothing for a line that it
// drops.
std::optional<CopyListLine> ParseCopyLine(std::string_view line);

// Every line of section (after MapSection) as GetLine yields them, none
// filtered; empty when the section is missing.
std::vector<std::string> ReadSectionLines(UpdateInfo& info, std::string_view section);

// Lines of [shortcut target], filtered and split as the copy list; a line
// without "=" names no pair and is dropped.
std::vector<ShortcutTarget> ReadShortcutTargets(UpdateInfo& info);

// The first line of [shortcut keyword]; empty when there is none.
std::string ReadShortcutKeyword(UpdateInfo& info);

// Every line of [hint], in order, none filtered.
std::vector<std::string> ReadHintList(UpdateInfo& info);

// What follows "exe," (any case) in the last hint that begins with it,
// verbatim; empty when no hint does.
std::string FindTargetFileName(const std::vector<std::string>& hints);

// The first line of [version check] split at its first "/" and the first
// "-" after that: nothing unless the line has both.
std::optional<VersionCheck> ReadVersionCheck(UpdateInfo& info);
std::optional<VersionCheck> SplitVersionCheck(std::string_view line);

// The first line of [license], unchanged: the archive entry that holds the
// licence text. Nothing when the section has no line (no licence page).
std::optional<std::string> ReadLicenseEntry(UpdateInfo& info);

// "title" in [strings]; nothing when absent, and the program keeps its own.
std::optional<std::string> ReadTitle(UpdateInfo& info);
// "appname" and "upgrade" in [strings]; empty when absent.
std::string ReadApplicationName(UpdateInfo& info);
std::string ReadUpgradeText(UpdateInfo& info);

// The builder's file list: every line of [filelist] taken whole (no comment
// syntax, no trimming), empty lines skipped.
std::vector<std::string> ReadFileList(UpdateInfo& info);

// Whitespace (C locale) removed at both ends.
std::string_view TrimWhitespace(std::string_view text);
// The same, but a trail byte of a double-byte character is never taken for
// whitespace. is_lead_byte tells the code page's lead bytes.
std::string_view TrimWhitespaceDoubleByteAware(std::string_view text,
                                               bool (*is_lead_byte)(unsigned char) = IsLeadByte);

}  // namespace quintarel

#endif  // PACKAGE_SCRIPT_VALUES_H_
