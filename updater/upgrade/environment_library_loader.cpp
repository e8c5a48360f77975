#include "updater/upgrade/environment_library_loader.h"

#include "envlib/kestrune_names.h"
#include "package/path.h"
#include "package/text.h"

namespace quintarel {

namespace {

constexpr std::string_view kProgramSuffix = "\\Program";

}  // namespace

std::string LibraryPathBeside(std::string_view program_path) {
  if (FileNameOf(program_path).empty()) return kLibraryFileName;
  return JoinPath(FolderOf(program_path), kLibraryFileName);
}

std::string InstallationRoot(std::string_view program_folder) {
  std::string_view root = program_folder;
  if (!root.empty() && FindLastSeparator(root) == root.size() - 1) root.remove_suffix(1);
  const std::size_t separator = FindLastSeparator(root);
  if (separator != std::string_view::npos &&
      EqualsIgnoringAsciiCase(root.substr(separator), kProgramSuffix)) {
    root = root.substr(0, separator);
  }
  return std::string(root);
}

}  // namespace quintarel
