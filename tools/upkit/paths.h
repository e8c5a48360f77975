#ifndef TOOLS_UPKIT_PATHS_H_
#define TOOLS_UPKIT_PATHS_H_

#include <string>
#include <string_view>

namespace quintarel::upkit {

// Why an entry name must not be written below an extraction folder, or ""
// when it is safe. Both "\" and "/" count as separators, since either one
// separates folders on Windows. Refused: an empty name; an absolute name
// (leading separator); a drive or stream name (any ':'); an empty part
// ("a\\b", a trailing separator); a part made only of dots and spaces
// ("..", ".", "..."), which Windows reduces to the current or parent folder
// or to nothing.
std::string UnsafeNameReason(std::string_view name);

// The folder given on the command line in the package's path form: "/"
// turned into "\", trailing separators dropped (a root keeps its own).
std::string FolderPath(std::string_view folder);

// The path of entry name below folder (a FolderPath). Both "\" and "/" in
// name become "\", the package's separator, so that the folders of either
// are created.
std::string JoinBelow(std::string_view folder, std::string_view name);

// The folder part of path: the text before its last separator, the root's
// separator kept ("/x" gives "/"); "" when there is none.
std::string FolderPart(std::string_view path);

// name with ASCII letters in lower case, other bytes kept: the key under
// which names that the archive treats as equal compare equal.
std::string AsciiLowercase(std::string_view name);

// name for a message or a listing: control bytes become \xNN so a name
// cannot move the cursor or end the line; everything else is kept.
std::string PrintableName(std::string_view name);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_PATHS_H_
