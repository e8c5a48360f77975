#ifndef UPDATER_UPGRADE_PROGRAM_LOCATOR_H_
#define UPDATER_UPGRADE_PROGRAM_LOCATOR_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "package/file_system.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace quintarel {

// Finds the folder of the installed program from the script's hint lines:
// each hint names a place where the program records its location, and the
// folder found there is searched, with its subfolders, for the target file.
class ProgramLocator {
 public:
  // Paths that the platform fills hold this many bytes with their NUL.
  static constexpr std::size_t kPathCapacity = 260;

  ProgramLocator(FileSystem& files, Registry& registry, Shell& shell)
      : files_(files), registry_(registry), shell_(shell) {}

  // Appends one line of the hint list. A line beginning with "exe," (any
  // case) also makes the rest of it, verbatim, the target file name; the last
  // such line wins.
  void AddHint(const std::string& line);

  // Applies the hints in order; the folder in which the first successful one
  // found the target file, or nothing.
  std::optional<std::string> LocateByHints();

  // The folder one hint yields ("exe,", "reg," or "ext,"), possibly empty;
  // nothing when its lookup fails or it has none of these prefixes.
  std::optional<std::string> ApplyHint(const std::string& hint);

  // Searches folder and its subfolders, depth first in listing order, for
  // name; the folder that holds it, as the search reached it. Passes over
  // the recycle folder at a drive's root, links and junctions, and paths
  // that would not fit the platform's buffers.
  std::optional<std::string> SearchFolder(const std::string& folder, const std::string& name);

  const std::string& target_file_name() const { return target_file_name_; }
  const std::vector<std::string>& hints() const { return hints_; }

 private:
  std::optional<std::string> ReadPathValue(RegistryRoot root, const std::string& key);

  FileSystem& files_;
  Registry& registry_;
  Shell& shell_;
  std::vector<std::string> hints_;
  std::string target_file_name_;
};

}  // namespace quintarel

#endif  // UPDATER_UPGRADE_PROGRAM_LOCATOR_H_
