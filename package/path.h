#ifndef PACKAGE_PATH_H_
#define PACKAGE_PATH_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace quintarel {

// Paths are 8-bit strings in the system's code page with "\" as the
// separator, found with awareness of double-byte characters.

// Index of the last "\" in path that is a separator (a trail byte of a
// double-byte character is not), or npos. "/" is never a separator.
std::size_t FindLastSeparator(std::string_view path);

// The same for a path typed by a person or given by another system, where
// "/" separates folders too: the last "\" (double-byte aware) or "/".
std::size_t FindLastFolderSeparator(std::string_view path);

// The text before the last separator; empty when there is none
// ("C:\App\run.exe" gives "C:\App").
std::string FolderOf(std::string_view path);

// The text after the last separator; the whole path when there is none.
std::string FileNameOf(std::string_view path);

// relative below folder with one separator between them; relative alone when
// folder is empty or relative is absolute. "/" counts as a separator here,
// because scripts written on other systems use it.
std::string JoinPath(std::string_view folder, std::string_view relative);

// path with "\" appended unless it already ends with one.
std::string WithTrailingSeparator(std::string_view path);

// path without one trailing "\" ("C:\" becomes "C:").
std::string WithoutTrailingSeparator(std::string_view path);

// The folder of a path typed by a person ("/" separates too): the text before
// the last separator, a root keeping its separator ("/x" gives "/", "C:\x"
// gives "C:\"); empty when there is none.
std::string TypedFolderOf(std::string_view path);

// The name after that separator; the whole path when there is none.
std::string TypedFileNameOf(std::string_view path);

// A folder typed by a person in this form: "/" turned into "\", trailing
// separators dropped, a root ("\", "C:\") kept whole.
std::string TypedFolderPath(std::string_view folder);

// path with every "/" turned into "\"; no double-byte character holds "/".
std::string WithBackslashes(std::string_view path);

// Whether path names its place without a current folder: it begins with a
// separator or a drive ("C:...").
bool IsAbsolutePath(std::string_view path);

}  // namespace quintarel

#endif  // PACKAGE_PATH_H_
