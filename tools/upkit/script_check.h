#ifndef TOOLS_UPKIT_SCRIPT_CHECK_H_
#define TOOLS_UPKIT_SCRIPT_CHECK_H_

#include <string>
#include <string_view>
#include <vector>

#include "package/update_archive.h"

namespace quintarel::upkit {

// Expands entry 0 of archive, the script, into *text. The text is held
// once: its room is reserved from the entry's fileSize, as far as the
// stored bytes can expand, instead of growing by copies. False when the
// archive has no entry or entry 0 is damaged.
bool ExtractScript(UpdateArchive& archive, std::string* text);

// Why UpdateInfo::Load refuses the bytes of a script, in words a release
// engineer acts on; for bytes that Load refuses.
std::string ScriptRejection(std::string_view bytes);

// What is wrong with the first line of [version check], or "" when the
// updater reads it as "file/minimum-newest" with a file name and with
// versions that are empty or decimal numbers such as 1.61, the minimum not
// above the newest.
std::string VersionCheckProblem(std::string_view line);

// The checks of an archive's script as the updater will read it, one line
// per problem: fewer than two entries, an entry 0 that is no script, copy
// list lines without a destination or whose entry is not in the archive, a
// licence entry that is not in the archive, a malformed version check
// line. Lines are named by their position in their section ("copyfiles
// line 3"). Sections that [japanese] redirects are checked as Japanese
// systems read them too, and a redirection to a section that does not
// exist is reported. An entry 0 that cannot be expanded is left to the
// structural check.
std::vector<std::string> CheckArchiveScript(UpdateArchive& archive);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_SCRIPT_CHECK_H_
