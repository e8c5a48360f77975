#ifndef UPDATER_UPGRADE_ENVIRONMENT_LIBRARY_LOADER_H_
#define UPDATER_UPGRADE_ENVIRONMENT_LIBRARY_LOADER_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quintarel {

// Binds the environment library at run time.
class EnvironmentLibraryLoader {
 public:
  virtual ~EnvironmentLibraryLoader() = default;

  // Loads the library at library_path (a bare file name goes through the
  // system's search order) and calls its DoIt export with root. The library
  // stays loaded for the life of the process. DoIt's result; nothing when
  // the library or the export is missing.
  virtual std::optional<bool> CallDoIt(const std::string& library_path,
                                       const std::string& root) = 0;
};

// The environment library beside the program at program_path: the text after
// its last "\" replaced by the library's file name; the bare file name when
// program_path has no "\" or nothing after it.
std::string LibraryPathBeside(std::string_view program_path);

// The product's installation root for a program folder: the folder without
// its trailing "\", and without a last part "\Program" (any letter case).
std::string InstallationRoot(std::string_view program_folder);

// The system's library loader (Windows builds only).
EnvironmentLibraryLoader& OperatingSystemLibraryLoader();

// The system's loader for a run without windows (Windows builds only): it
// calls the library's DoItLogged, so that each message the library has goes
// to log, on one line, instead of into a box. A library without that export
// is not called: its DoIt could show one.
std::unique_ptr<EnvironmentLibraryLoader> LoggingLibraryLoader(std::function<void(const std::string&)> log);

}  // namespace quintarel

#endif  // UPDATER_UPGRADE_ENVIRONMENT_LIBRARY_LOADER_H_
