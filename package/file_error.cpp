#include "package/file_error.h"

namespace quintarel {

std::string_view FileErrorTemplate(FileErrorCause cause) {
  switch (cause) {
    case FileErrorCause::kNone: return "No error occurred.";
    case FileErrorCause::kGeneric: break;
    case FileErrorCause::kFileNotFound: return "%1 was not found.";
    case FileErrorCause::kBadPath: return "%1 contains an invalid path.";
    case FileErrorCause::kTooManyOpenFiles:
      return "%1 could not be opened because there are too many open files.";
    case FileErrorCause::kAccessDenied: return "Access to %1 was denied.";
    case FileErrorCause::kInvalidFile: return "An invalid file handle was associated with %1.";
    case FileErrorCause::kRemoveCurrentDir:
      return "%1 could not be removed because it is the current directory.";
    case FileErrorCause::kDirectoryFull:
      return "%1 could not be created because the directory is full.";
    case FileErrorCause::kBadSeek: return "Seek failed on %1";
    case FileErrorCause::kHardIO: return "A hardware I/O error was reported while accessing %1.";
    case FileErrorCause::kSharingViolation:
      return "A sharing violation occurred while accessing %1.";
    case FileErrorCause::kLockViolation: return "A locking violation occurred while accessing %1.";
    case FileErrorCause::kDiskFull: return "Disk full while accessing %1.";
    case FileErrorCause::kEndOfFile: return "An attempt was made to access %1 past its end.";
    case FileErrorCause::kAlreadyExists: return "%1 already exists.";
  }
  return "An unknown error occurred while accessing %1.";
}

std::string FormatFileError(FileErrorCause cause, std::string_view file_name) {
  const std::string_view text = FileErrorTemplate(cause);
  std::string out;
  const std::size_t mark = text.find("%1");
  if (mark == std::string_view::npos) return std::string(text);
  out.append(text.substr(0, mark));
  out.append(file_name);
  out.append(text.substr(mark + 2));
  return out;
}

FileError::FileError(FileErrorCause cause, std::string file_name)
    : std::runtime_error(FormatFileError(cause, file_name)),
      cause_(cause),
      file_name_(std::move(file_name)) {}

}  // namespace quintarel
