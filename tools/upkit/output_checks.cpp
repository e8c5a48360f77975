#include "tools/upkit/output_checks.h"

#include "package/path.h"
#include "tools/upkit/file_kind.h"

namespace quintarel::upkit {

std::string RefusedOutputReason(FileSystem& files, const std::string& path) {
  // The rename replaces a link itself, whatever it points at.
  if (files.IsLink(path)) return "";
  switch (KindOf(path)) {
    case FileKind::kFolder: return DisplayPath(path) + " is a folder";
    case FileKind::kOther: return DisplayPath(path) + " is not a regular file (a device or a pipe)";
    case FileKind::kMissing:
    case FileKind::kFile:
      break;
  }
  return "";
}

std::string LinkOnTheWay(FileSystem& files, const std::string& folder, const std::string& relative) {
  std::string path = folder;
  std::size_t from = 0;
  for (std::size_t separator = relative.find_first_of("\\/"); separator != std::string::npos;
       separator = relative.find_first_of("\\/", from)) {
    path = JoinPath(path, relative.substr(from, separator - from));
    from = separator + 1;
    if (files.IsLink(path)) return path;
  }
  return "";
}

std::string ExtractionRefusal(FileSystem& files, const std::string& folder, const std::string& name,
                              const std::string& dest, const std::string& archive_path) {
  if (const std::string link = LinkOnTheWay(files, folder, name); !link.empty()) {
    return "refused, its path passes through the link " + DisplayPath(link);
  }
  if (std::string reason = RefusedOutputReason(files, dest); !reason.empty()) return reason;
  if (IsSameFile(dest, archive_path)) return "refused, it would overwrite the archive being read";
  return "";
}

}  // namespace quintarel::upkit
