#ifndef TOOLS_UPKIT_NAMES_H_
#define TOOLS_UPKIT_NAMES_H_

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

// name for a message or a listing: control bytes become \xNN so a name
// cannot move the cursor or end the line; everything else is kept.
std::string PrintableName(std::string_view name);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_NAMES_H_
