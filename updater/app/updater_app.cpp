#include "updater/app/updater_app.h"

#include "package/path.h"
#include "resources/resource_ids.h"

namespace quintarel {

std::optional<std::string> FindPathArgument(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument.empty() || (argument[0] != '-' && argument[0] != '/')) return argument;
  }
  return std::nullopt;
}

std::string DefaultArchivePath(const std::string& program_path) {
  return FolderOf(program_path) + "\\update.dat";
}

void UpdaterApp::Startup(const std::vector<std::string>& arguments) {
  if (!environment_.ClaimInstance(kMutexName)) return;

  const std::optional<std::string> path = FindPathArgument(arguments);
  ui_.SetTitle(strings_.LoadText(IDS_PROGRAM_TITLE));

  std::string archive_path;
  if (path) {
    // The builder's probe moves the current folder, so a relative argument
    // would no longer name the same file: the wizard gets the match's full
    // path, and the text as typed only when nothing matched.
    const std::optional<std::string> match = environment_.FindFirstMatch(*path);
    if (match && builder_.BuildArchive(*match)) return;
    archive_path = match ? *match : *path;
  } else {
    archive_path = DefaultArchivePath(environment_.ProgramPath());
  }
  wizard_.Run(archive_path);
}

}  // namespace quintarel
