#ifndef TOOLS_UPKIT_DIFF_OUTPUTS_H_
#define TOOLS_UPKIT_DIFF_OUTPUTS_H_

#include <cstdint>
#include <optional>
#include <string>

#include "tools/upkit/folder_diff.h"

namespace quintarel::upkit {

// The program whose versions the script's version check compares: its
// path below both folders and its version number in each.
struct ProgramVersions {
  std::string name;
  std::int32_t old_number = 0;
  std::int32_t new_number = 0;
};

// The update information script that ships the added and changed files of
// diff: one copyfiles line (destination = entry = the name) and one
// filelist line for each, the wizard's other sections present for the
// release engineer to fill, and with program a version check from OLD's
// version to NEW's. Comments stand only where key lookups skip them, since
// a list section takes every line. ASCII with LF line ends, as the updater
// and the builder read it on every system.
std::string DiffScriptText(const FolderDiff& diff, const std::optional<ProgramVersions>& program);

// What diff found, one line per file (added, changed, removed, each with
// its sizes), then the totals; LF line ends.
std::string DiffReportText(const FolderDiff& diff);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_DIFF_OUTPUTS_H_
