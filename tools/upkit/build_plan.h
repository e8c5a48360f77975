#ifndef TOOLS_UPKIT_BUILD_PLAN_H_
#define TOOLS_UPKIT_BUILD_PLAN_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "package/update_info.h"

namespace quintarel::upkit {

// One non-empty line of the file list, as the builder reads it.
struct ListedFile {
  // Position in its section, counting from 1, empty lines included.
  std::size_t line_number = 0;
  std::string name;
  // The line held a NUL byte: the reader kept only the text before it.
  bool had_nul = false;
};

// The file list as the updater's builder reads it (through the japanese
// mapping when script has its flag set), each line with its position.
std::vector<ListedFile> ReadListedFiles(UpdateInfo& script);

// "filelist line 3 (name)": the line in words, for messages; section is
// the list's section as read.
std::string DescribeLine(const std::string& section, const ListedFile& file);

struct NameCheck {
  // The first line that cannot be packed, "filelist line 3 (name): why".
  std::optional<std::string> error;
  // Lines that can be packed but land on the same file as another when
  // extracted, one message each.
  std::vector<std::string> warnings;
};

// Checks the names before anything is read: a NUL in the line, a name
// longer than an entry holds, a name that extract would refuse (absolute,
// a drive, ".." parts...), a name equal to an earlier one or to the
// script's when ASCII letter case is ignored. Names that differ from an
// earlier one only once "/" is read as "\" as well are warnings.
// section is the list's section as read (for the messages).
NameCheck CheckListedNames(const std::string& script_name, const std::string& section,
                           const std::vector<ListedFile>& files);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_BUILD_PLAN_H_
