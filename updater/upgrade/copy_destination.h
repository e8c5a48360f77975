#ifndef UPDATER_UPGRADE_COPY_DESTINATION_H_
#define UPDATER_UPGRADE_COPY_DESTINATION_H_

#include <optional>
#include <string>
#include <string_view>

namespace quintarel {

// The full path that a copy-list destination names below program_folder, or
// nothing when writing it could reach outside the product. The destination
// is taken apart at "\" and "/" (both separate folders on Windows), "."
// parts are dropped and ".." parts resolved, so the path handed on holds
// neither. Refused: a drive or stream (any ':'), a leading separator (an
// absolute or network path), a part of only dots and spaces other than "."
// and ".." (the system reduces such a part to something else), and ".."
// parts that climb above the installation root (InstallationRoot), so that
// "..\Data\x" below a "Program" folder stays allowed. A destination that is
// empty or ends with a separator names a folder: the path then ends with
// "\", which no file write accepts.
std::optional<std::string> ConfinedDestination(std::string_view program_folder,
                                               std::string_view destination);

}  // namespace quintarel

#endif  // UPDATER_UPGRADE_COPY_DESTINATION_H_
