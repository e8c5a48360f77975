#ifndef TOOLS_UPKIT_SCRIPT_SUMMARY_H_
#define TOOLS_UPKIT_SCRIPT_SUMMARY_H_

#include <optional>
#include <string>
#include <vector>

#include "package/script_values.h"
#include "package/update_archive.h"
#include "package/update_info.h"

namespace quintarel::upkit {

// What the updater takes from a script, in the order the wizard reads it,
// then the file list that the builder packs.
struct ScriptSummary {
  std::optional<std::string> title;
  std::string application_name;
  std::string upgrade_text;
  std::vector<CopyListLine> copy_files;
  std::string shortcut_keyword;
  std::vector<ShortcutTarget> shortcut_targets;
  std::vector<std::string> hints;
  std::string target_file_name;
  std::optional<VersionCheck> version_check;
  std::optional<std::string> license;
  std::vector<std::string> file_list;
};

// Reads the wizard's values with info's japanese flag as it is, and the
// file list as the builder does, with the flag set; info's flag is
// restored afterwards.
ScriptSummary ReadScriptSummary(UpdateInfo& info);

// The summary for people, one field per line, lists indented below their
// field. With an archive (the script's own, or null for a script file), a
// first line describes it, copy-list and licence entries are marked
// present or missing, and an archive the updater refuses for having fewer
// than two entries says so. Bytes are shown as they are, control bytes as
// \xNN.
std::string FormatSummaryText(const ScriptSummary& summary, const UpdateArchive* archive);

// The same as one JSON object. Every text field has a "...Hex" sibling
// with its exact bytes (text that is not UTF-8 reads as Latin-1 in the
// text field).
std::string FormatSummaryJson(const ScriptSummary& summary, const UpdateArchive* archive,
                              bool japanese);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_SCRIPT_SUMMARY_H_
