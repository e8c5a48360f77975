#include <sys/stat.h>

#include <algorithm>

#include "tools/upkit/file_kind.h"

namespace quintarel::upkit {

namespace {

bool StatusOf(const std::string& path, struct stat* status) {
  return !path.empty() && ::stat(DisplayPath(path).c_str(), status) == 0;
}

}  // namespace

FileKind KindOf(const std::string& path) {
  struct stat status;
  if (!StatusOf(path, &status)) return FileKind::kMissing;
  if (S_ISREG(status.st_mode)) return FileKind::kFile;
  if (S_ISDIR(status.st_mode)) return FileKind::kFolder;
  return FileKind::kOther;
}

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat first;
  struct stat second;
  return StatusOf(a, &first) && StatusOf(b, &second) && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

std::string DisplayPath(std::string_view path) {
  std::string native(path);
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

std::optional<std::string> ExactFormOf(const std::string& path) { return path; }

}  // namespace quintarel::upkit
