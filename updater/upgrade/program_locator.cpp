#include "updater/upgrade/program_locator.h"

#include <algorithm>
#include <string_view>

#include "package/path.h"
#include "package/text.h"

namespace quintarel {

namespace {

constexpr std::size_t kPrefixLength = 4;
constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr char kSoftwareKey[] = "Software\\";
constexpr char kPathValue[] = "Path";
constexpr std::string_view kRecycleFolder = "\\RECYCLED";

bool HasPrefix(std::string_view line, std::string_view prefix) {
  return line.size() >= prefix.size() && EqualsIgnoringAsciiCase(line.substr(0, prefix.size()), prefix);
}


// The hint's text after its prefix, leading whitespace skipped; trailing
// whitespace stays.
std::string ArgumentOf(const std::string& hint) {
  std::size_t start = std::min(kPrefixLength, hint.size());
  while (start < hint.size() && IsCWhitespace(hint[start])) ++start;
  return hint.substr(start);
}

bool Fits(const std::string& path) { return path.size() < ProgramLocator::kPathCapacity; }

// The recycle folder at the root of a drive, spelled exactly so.
bool IsRootRecycleFolder(const std::string& path) {
  return path.size() > 2 && path[1] == ':' && std::string_view(path).substr(2) == kRecycleFolder;
}

}  // namespace

void ProgramLocator::AddHint(const std::string& line) {
  hints_.push_back(line);
  if (HasPrefix(line, "exe,")) target_file_name_ = line.substr(kPrefixLength);
}

std::optional<std::string> ProgramLocator::LocateByHints() {
  for (const std::string& hint : hints_) {
    const std::optional<std::string> folder = ApplyHint(hint);
    if (!folder) continue;
    if (std::optional<std::string> found = SearchFolder(*folder, target_file_name_)) return found;
  }
  return std::nullopt;
}

std::optional<std::string> ProgramLocator::ApplyHint(const std::string& hint) {
  const std::string argument = ArgumentOf(hint);
  if (HasPrefix(hint, "reg,")) {
    const std::optional<std::string> path = ReadPathValue(RegistryRoot::kCurrentUser, kSoftwareKey + argument);
    if (!path) return std::nullopt;
    return FolderOf(*path);
  }
  if (HasPrefix(hint, "exe,")) {
    return ReadPathValue(RegistryRoot::kLocalMachine, kAppPathsKey + argument);
  }
  if (HasPrefix(hint, "ext,")) {
    const std::optional<std::string> program = shell_.FindAssociatedProgram(argument);
    if (!program) return std::nullopt;
    return FolderOf(*program);
  }
  return std::nullopt;
}

std::optional<std::string> ProgramLocator::ReadPathValue(RegistryRoot root, const std::string& key) {
  const std::unique_ptr<RegistryKey> opened = registry_.OpenForRead(root, key);
  if (!opened) return std::nullopt;
  return opened->QueryText(kPathValue, kPathCapacity);
}

std::optional<std::string> ProgramLocator::SearchFolder(const std::string& folder,
                                                        const std::string& name) {
  // "folder\name" as typed: a folder that already ends with "\" gives a
  // doubled separator, which the file system accepts. An empty name would
  // test the folder itself and must never match.
  const std::string candidate = folder + '\\' + name;
  if (!name.empty() && Fits(candidate) && files_.Exists(candidate)) return folder;

  if (!Fits(folder + "\\*.*")) return std::nullopt;
  std::vector<FolderEntry> entries;
  if (!files_.ListFolder(folder, &entries)) return std::nullopt;
  for (const FolderEntry& entry : entries) {
    // A link or junction may lead back above itself; the search would then
    // run until the paths no longer fit.
    if (!entry.is_folder || entry.is_link) continue;
    const std::string path = folder + '\\' + entry.name;
    if (!Fits(path) || IsRootRecycleFolder(path)) continue;
    if (std::optional<std::string> found = SearchFolder(path, name)) return found;
  }
  return std::nullopt;
}

}  // namespace quintarel
