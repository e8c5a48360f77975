#include "updater/upgrade/copy_destination.h"

#include <algorithm>
#include <vector>

#include "package/path.h"
#include "package/text.h"
#include "updater/upgrade/environment_library_loader.h"

namespace quintarel {

namespace {

// The parts of path between separators, empty ones included. A "\" that is
// the second byte of a double-byte character separates nothing; "/" never
// is one.
std::vector<std::string_view> SplitParts(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(byte) && i + 1 < path.size()) {
      ++i;
    } else if (byte == '\\' || byte == '/') {
      parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(path.substr(start));
  return parts;
}

bool OnlyDotsAndSpaces(std::string_view part) {
  return std::all_of(part.begin(), part.end(), [](char c) { return c == '.' || c == ' '; });
}

}  // namespace

std::optional<std::string> ConfinedDestination(std::string_view program_folder,
                                               std::string_view destination) {
  if (destination.find(':') != std::string_view::npos) return std::nullopt;
  if (!destination.empty() && (destination.front() == '\\' || destination.front() == '/')) {
    return std::nullopt;
  }

  // Parts below the root, starting with the program folder's own last part
  // when the root is the folder above it.
  const std::string folder = WithoutTrailingSeparator(program_folder);
  const std::string root = InstallationRoot(program_folder);
  std::vector<std::string_view> below_root;
  if (root.size() < folder.size()) below_root.push_back(std::string_view(folder).substr(root.size() + 1));

  for (const std::string_view part : SplitParts(destination)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (below_root.empty()) return std::nullopt;
      below_root.pop_back();
      continue;
    }
    if (OnlyDotsAndSpaces(part)) return std::nullopt;
    below_root.push_back(part);
  }

  std::string path = root;
  for (const std::string_view part : below_root) path.append("\\").append(part);
  const bool names_folder = destination.empty() || destination.back() == '/' ||
                            FindLastSeparator(destination) == destination.size() - 1;
  if (names_folder) path += '\\';
  return path;
}

}  // namespace quintarel
