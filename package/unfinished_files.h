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

// Creating a file and tracking it are two steps, and a clean-up between them
// would miss the file. A file is created and tracked inside this scope, and
// the clean-up calls StopUnfinishedFileCreation first. The clean-up must not
// interrupt the scope on its own thread, where it would wait for itself: a
// signal handler's signals are held across it.
class UnfinishedFileCreation {
 public:
  UnfinishedFileCreation();
  ~UnfinishedFileCreation();
  UnfinishedFileCreation(const UnfinishedFileCreation&) = delete;
  UnfinishedFileCreation& operator=(const UnfinishedFileCreation&) = delete;

  // False once the clean-up has begun: nothing may be created then.
  bool allowed() const { return allowed_; }

 private:
  bool allowed_;
};
// Refuses every later creation and waits for those under way to be tracked.
// Lock-free, so a signal handler may call it; the process is ending.
void StopUnfinishedFileCreation();

}  // namespace quintarel

#endif  // PACKAGE_UNFINISHED_FILES_H_
