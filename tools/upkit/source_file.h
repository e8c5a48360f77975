#ifndef TOOLS_UPKIT_SOURCE_FILE_H_
#define TOOLS_UPKIT_SOURCE_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "package/file_system.h"

namespace quintarel::upkit {

// Why path cannot be read as a file although something is there (a folder,
// a device, a pipe, a socket), naming it as the system writes it; "" when
// it is a file or nothing is there (opening it then says why).
std::string NotAFileReason(const std::string& path);

// A file to pack, read whole.
struct SourceFile {
  std::vector<std::uint8_t> bytes;
  FileTimes times;
};

// Reads the file at path (package form) into *file. The bytes are what was
// actually read, and only a file whose length matches them is taken, so
// neither a device that never ends nor a file that grows while it is read
// can take memory without bound. False, with one line in *error that
// names the file and the cause, when path is no file (NotAFileReason),
// cannot be opened or read, is too large for an archive entry, or holds
// other than the number of bytes that its length claims.
bool ReadSourceFile(FileSystem& files, const std::string& path, SourceFile* file,
                    std::string* error);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_SOURCE_FILE_H_
