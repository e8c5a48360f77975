#ifndef TOOLS_UPKIT_FILE_KIND_H_
#define TOOLS_UPKIT_FILE_KIND_H_

#include <optional>
#include <string>
#include <string_view>

namespace quintarel::upkit {

// What a path names, following symbolic links. Only kFile can be read
// like a file: a device or a pipe may never end, or block when opened.
enum class FileKind { kMissing, kFile, kFolder, kOther };

// The kind of path (package form, "\" separators). kMissing also when the
// path cannot be examined; opening it then says why.
FileKind KindOf(const std::string& path);

// Whether a and b both exist and are one file, however they are spelled
// (links, "." parts, letter case where the system ignores it).
bool IsSameFile(const std::string& a, const std::string& b);

// path as this system writes it, for messages: "/" separators on POSIX,
// "\" on Windows.
std::string DisplayPath(std::string_view path);

// A path typed in the system's code page respelt in the exact name form
// (NameForm::kUtf8), in which folder listings give every name as it is, the
// same on every system; nothing when it has no such spelling. POSIX names
// are bytes in both forms.
std::optional<std::string> ExactFormOf(const std::string& path);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_FILE_KIND_H_
