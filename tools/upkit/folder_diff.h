#ifndef TOOLS_UPKIT_FOLDER_DIFF_H_
#define TOOLS_UPKIT_FOLDER_DIFF_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "package/file_system.h"

namespace quintarel::upkit {

// What diff writes into its output folder beside the files to ship; a file
// of NEW with one of these names at its top would collide with them.
inline constexpr std::string_view kDiffScriptName = "update.inf";
inline constexpr std::string_view kDiffReportName = "diff.txt";

// Why the file at path must not be opened for reading, or "" when it may
// (a device or a pipe could block or never end).
using NotAFileCheck = std::function<std::string(const std::string& path)>;

// One file that differs between the two folders. name is the path below
// the folder, "\" between its parts, as NEW spells it when it is there.
// A size is 0 on the side where the file is missing.
struct FileChange {
  std::string name;
  std::uint64_t old_size = 0;
  std::uint64_t new_size = 0;
};

// OLD and NEW compared file by file; each list is sorted by name with ASCII
// letter case ignored, which is also how names are matched across the two
// folders (the updater's file system and the archive ignore it).
struct FolderDiff {
  std::vector<FileChange> added;
  std::vector<FileChange> changed;
  std::vector<FileChange> removed;
  std::size_t unchanged = 0;
};

struct DiffOutcome {
  FolderDiff diff;
  // One line each for what makes the folders unusable: links (never
  // followed), devices and pipes, names that differ only in letter case,
  // a name that is a file on one side and a folder on the other, folders
  // that cannot be listed and files that cannot be read. The diff is only
  // complete when this is empty.
  std::vector<std::string> problems;
};

// Walks both folders (paths in files' name form) and compares every file
// by its bytes. Nothing is written.
DiffOutcome CompareFolders(FileSystem& files, const std::string& old_root,
                           const std::string& new_root, const NotAFileCheck& not_a_file);

// Why name (a path below NEW, "\" between parts) cannot be shipped as an
// archive entry and a line of the script, or "" when it can. Only printable
// ASCII is taken: entry names are read in the Japanese code page, and only
// ASCII is spelt alike there, in the system's file names and in the bytes
// that a POSIX system names files with. Refused besides: names over 259
// bytes, names extract refuses, characters Windows file names cannot hold,
// device names, parts ending in "." or " " (Windows drops them), "=" (it
// splits a copy list line), a leading ";", "[" or space (the script reads
// such a line otherwise), and the names of diff's own files at the top.
std::string ArchiveNameProblem(std::string_view name);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_FOLDER_DIFF_H_
