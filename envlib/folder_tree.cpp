#include "envlib/environment_library.h"
#include "package/text.h"

namespace quintarel {

namespace {

// The program's own files stay in the installation folder.
bool StaysInPlace(const FolderEntry& entry) {
  if (entry.is_folder) return EqualsIgnoringAsciiCase(entry.name, "Program");
  return entry.name.find(".exe") != std::string::npos || entry.name.find(".chm") != std::string::npos ||
         EqualsIgnoringAsciiCase(entry.name, "uninst.isu");
}

}  // namespace

void MoveFolderContents(const EnvironmentServices& services, SharedDataFolder& data_folder,
                        const std::string& source, const std::string& destination) {
  FileSystem& files = services.files;
  std::vector<FolderEntry> entries;
  if (!files.ListFolder(source, &entries)) return;
  for (const FolderEntry& entry : entries) {
    // A link leads out of the installation folder: what it points at is not
    // the product's to move.
    if (entry.is_link || StaysInPlace(entry)) continue;
    const std::string from = source + "\\" + entry.name;
    const std::string to = destination + "\\" + entry.name;
    // Everyone may write in the data folder, so a link there may have been
    // planted: nothing is moved through it, the entry stays where it is.
    if (files.IsLink(to)) continue;
    if (entry.is_folder) {
      data_folder.CreateFolderIfMissing(to);
      MoveFolderContents(services, data_folder, from, to);
      // Fails, as it should, when something stayed behind in it.
      files.RemoveFolder(from);
      continue;
    }
    files.SetNormalAttributes(from);
    if (const std::uint32_t error = files.CopyReplacing(from, to); error != 0) {
      // The rest of this folder stays where it is; the caller goes on.
      services.messages.ShowSystemError(error, from + "->" + to);
      return;
    }
    // Only a complete copy lets the original go.
    files.RemoveFile(from);
  }
}

}  // namespace quintarel
