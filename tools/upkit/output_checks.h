#ifndef TOOLS_UPKIT_OUTPUT_CHECKS_H_
#define TOOLS_UPKIT_OUTPUT_CHECKS_H_

#include <string>
#include <vector>

#include "package/file_system.h"
#include "tools/upkit/build_plan.h"
#include "tools/upkit/parallel_pack.h"

namespace quintarel::upkit {

// Why the file at path must not be replaced by a written one, or "" when it
// may: nothing or a file (or a link, which the rename replaces itself) is
// there. A folder, a device or a pipe is refused: renaming a file over it
// would destroy it or fail half-way.
std::string RefusedOutputReason(FileSystem& files, const std::string& path);

// The first folder between folder and folder\relative (folder itself not
// included) that is a symbolic link or junction, or "" when there is none:
// writing through it would put the file outside folder.
std::string LinkOnTheWay(FileSystem& files, const std::string& folder, const std::string& relative);

// Why an entry must not be extracted to dest (folder\name) from the
// archive at archive_path, or "" when it may: a link on its way, a folder,
// device or pipe at dest, or the archive itself at dest.
std::string ExtractionRefusal(FileSystem& files, const std::string& folder, const std::string& name,
                              const std::string& dest, const std::string& archive_path);

// The message for a file error met while writing path. The file is
// created beside path and then renamed, so when its folder is missing, or
// refuses a new file where none is in the way, the message names the
// folder.
std::string OutputFailure(FileErrorCause cause, const std::string& path);

// Why out must not be written: it is the script (jobs[0]) or a listed file
// (jobs[i], from files[i - 1] of section), which the build would replace
// with the archive. "" when it is neither.
std::string OutOverwritesSource(const std::string& out, const std::vector<PackJob>& jobs,
                                const std::vector<ListedFile>& files, const std::string& section);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_OUTPUT_CHECKS_H_
