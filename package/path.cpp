#include "package/path.h"

#include <algorithm>

#include "package/text.h"

namespace quintarel {

std::size_t FindLastSeparator(std::string_view path) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(byte) && i + 1 < path.size()) {
      ++i;
    } else if (byte == '\\') {
      last = i;
    }
  }
  return last;
}

std::size_t FindLastFolderSeparator(std::string_view path) {
  // "/" is never the second byte of a double-byte character; "\" may be.
  const std::size_t backslash = FindLastSeparator(path);
  const std::size_t slash = path.rfind('/');
  if (backslash == std::string_view::npos) return slash;
  if (slash == std::string_view::npos) return backslash;
  return std::max(backslash, slash);
}

namespace {
bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && FindLastSeparator(path) == path.size() - 1;
}

bool HasDrivePrefix(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// Characters of path that its root takes, counting the root's separator:
// 1 for "\x", 3 for "C:\x", 0 when path is relative.
std::size_t RootSize(std::string_view path) {
  if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return 1;
  if (HasDrivePrefix(path) && path.size() > 2 && (path[2] == '\\' || path[2] == '/')) return 3;
  return 0;
}
}  // namespace

std::string FolderOf(std::string_view path) {
  const std::size_t separator = FindLastSeparator(path);
  return separator == std::string_view::npos ? std::string() : std::string(path.substr(0, separator));
}

std::string FileNameOf(std::string_view path) {
  const std::size_t separator = FindLastSeparator(path);
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string JoinPath(std::string_view folder, std::string_view relative) {
  if (folder.empty() || IsAbsolutePath(relative)) return std::string(relative);
  std::string joined(folder);
  if (!EndsWithSeparator(folder) && folder.back() != '/') joined += '\\';
  joined += relative;
  return joined;
}

std::string WithTrailingSeparator(std::string_view path) {
  std::string result(path);
  if (!EndsWithSeparator(path)) result += '\\';
  return result;
}

std::string WithoutTrailingSeparator(std::string_view path) {
  if (EndsWithSeparator(path)) path.remove_suffix(1);
  return std::string(path);
}

std::string TypedFolderOf(std::string_view path) {
  const std::size_t separator = FindLastFolderSeparator(path);
  if (separator == std::string_view::npos) return "";
  return std::string(path.substr(0, std::max(separator, RootSize(path))));
}

std::string TypedFileNameOf(std::string_view path) {
  return std::string(path.substr(FindLastFolderSeparator(path) + 1));  // npos + 1 is 0
}

std::string TypedFolderPath(std::string_view folder) {
  std::string path = WithBackslashes(folder);
  const std::size_t keep = std::max<std::size_t>(RootSize(path), 1);
  while (path.size() > keep && path.back() == '\\') path.pop_back();
  return path;
}

std::string WithBackslashes(std::string_view path) {
  std::string result(path);
  std::replace(result.begin(), result.end(), '/', '\\');
  return result;
}

bool IsAbsolutePath(std::string_view path) {
  return (!path.empty() && (path[0] == '\\' || path[0] == '/')) ||
         (path.size() >= 2 && path[1] == ':');
}

}  // namespace quintarel
