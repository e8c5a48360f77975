#ifndef PACKAGE_FILE_WRITING_H_
#define PACKAGE_FILE_WRITING_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "package/file_error.h"
#include "package/file_stream.h"
#include "package/file_system.h"
#include "package/stream.h"

// Writing files so that a failure leaves what was there: new files are
// written beside their destination and renamed over it once complete.

namespace quintarel {

// Creates every missing folder above the file at path, adding each one to
// *created (when given) in the order made. A drive prefix such as "C:" counts
// as existing; a relative path whose first folder is missing gives false and
// creates nothing.
bool CreateParentFolders(FileSystem& files, std::string_view path,
                         std::vector<std::string>* created = nullptr);

// Creates a new file beside path for writing before a rename, named
// "<path>.~" and eight random hexadecimal digits. It is created exclusively,
// so a file or link that someone placed at such a name is never written
// through or replaced, and the name cannot be foreseen. Its path goes to
// *created. Null on failure, with the cause in *cause.
std::unique_ptr<FileStream> CreateFileBeside(FileSystem& files, const std::string& path,
                                             std::string* created, FileErrorCause* cause);

// A name of the form CreateFileBeside makes, with fresh random digits;
// nothing is created.
std::string NameBeside(const std::string& path);

// Whether path has the form of a name that CreateFileBeside makes.
bool IsNameBeside(std::string_view path);

// How ReplaceFile ended.
struct Replacement {
  bool replaced = false;
  // Why the new file could not be created, written, closed or renamed over
  // path; kNone when path was replaced or write gave up.
  FileErrorCause cause = FileErrorCause::kNone;
};

// Writes the file at path through write: into a new file beside it
// (CreateFileBeside), renamed over path once write returns true. When write
// returns false or anything fails, what was at path stays and nothing is
// left beside it. A FileError about another file than the new one (one
// that write reads) is raised again once the new file is gone.
Replacement ReplaceFile(FileSystem& files, const std::string& path,
                        const std::function<bool(Stream&)>& write);

}  // namespace quintarel

#endif  // PACKAGE_FILE_WRITING_H_
