#include "tools/upkit/output_checks.h"

#include "package/file_error.h"
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

std::string OutputFailure(FileErrorCause cause, const std::string& path) {
  const std::string part = TypedFolderOf(path);
  const std::string folder = part.empty() ? std::string(".") : part;
  const std::string not_written = DisplayPath(path) + " was not written: ";
  const FileKind folder_kind = KindOf(folder);
  if (cause == FileErrorCause::kFileNotFound || cause == FileErrorCause::kBadPath) {
    if (folder_kind == FileKind::kMissing) {
      return not_written + FormatFileError(FileErrorCause::kFileNotFound, "the folder " + DisplayPath(folder));
    }
    if (folder_kind != FileKind::kFolder) return not_written + DisplayPath(folder) + " is not a folder";
  }
  if (cause == FileErrorCause::kAccessDenied && folder_kind == FileKind::kFolder &&
      KindOf(path) == FileKind::kMissing) {
    return not_written + FormatFileError(cause, "the folder " + DisplayPath(folder));
  }
  return FormatFileError(cause, DisplayPath(path));
}

std::string OutOverwritesSource(const std::string& out, const std::vector<PackJob>& jobs,
                                const std::vector<ListedFile>& files,
                                const std::string& section) {
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (!IsSameFile(out, jobs[i].path)) continue;
    const std::string what = i == 0 ? std::string("the script itself")
                                    : "the file of " + DescribeLine(section, files[i - 1]);
    return DisplayPath(out) + " is " + what + "; the archive would replace it";
  }
  return std::string();
}

}  // namespace quintarel::upkit
