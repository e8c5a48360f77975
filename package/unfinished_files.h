#ifndef PACKAGE_UNFINISHED_FILES_H_
#define PACKAGE_UNFINISHED_FILES_H_

#include <cstddef>
#include <string>

namespace quintarel {

// Tracked paths are shorter than this many bytes.
inline constexpr std::size_t kUnfinishedPathCapacity = 4096;

// The paths of files that are being written and are not renamed into place
// or removed yet, kept in fixed slots that a signal handler can read without
// locks or allocation. A path of kUnfinishedPathCapacity bytes or more, or
// one that finds no free slot, is not tracked.
void TrackUnfinishedFile(const std::string& path);
void ForgetUnfinishedFile(const std::string& path);
// Calls remove with every tracked path.
void ForEachUnfinishedFile(void (*remove)(const char* path));

}  // namespace quintarel

#endif  // PACKAGE_UNFINISHED_FILES_H_
