#ifndef PACKAGE_FILE_ERROR_H_
#define PACKAGE_FILE_ERROR_H_

#include <stdexcept>
#include <string>
#include <string_view>

namespace quintarel {

// Why a file operation failed. The platform layer maps its own error codes
// to these.
enum class FileErrorCause {
  kNone,
  kGeneric,
  kFileNotFound,
  kBadPath,
  kTooManyOpenFiles,
  kAccessDenied,
  kInvalidFile,
  kRemoveCurrentDir,
  kDirectoryFull,
  kBadSeek,
  kHardIO,
  kSharingViolation,
  kLockViolation,
  kDiskFull,
  kEndOfFile,
  kAlreadyExists,
};

// The message text for a cause, with "%1" where the file name goes.
std::string_view FileErrorTemplate(FileErrorCause cause);

// The message text with "%1" replaced by file_name.
std::string FormatFileError(FileErrorCause cause, std::string_view file_name);

// Raised by file streams when a read or write on an open file fails.
class FileError : public std::runtime_error {
 public:
  FileError(FileErrorCause cause, std::string file_name);

  FileErrorCause cause() const { return cause_; }
  const std::string& file_name() const { return file_name_; }

 private:
  FileErrorCause cause_;
  std::string file_name_;
};

// Shows a file error to the user: a message box in the updater, a line on
// stderr in the command-line tool.
class FileErrorReporter {
 public:
  virtual ~FileErrorReporter() = default;
  virtual void ShowFileError(const FileError& error) = 0;
};

}  // namespace quintarel

#endif  // PACKAGE_FILE_ERROR_H_
