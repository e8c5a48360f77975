#include "tools/upkit/build_plan.h"

#include <algorithm>
#include <unordered_map>

#include "package/script_values.h"
#include "package/text.h"
#include "package/update_archive.h"
#include "tools/upkit/names.h"

namespace quintarel::upkit {

namespace {

// Where a name came from, for messages.
struct Origin {
  std::string description;
  // Why a later line with the same name cannot be packed.
  std::string duplicate;
  std::string name;
};

std::string CaseNote(const std::string& name, const std::string& other) {
  return other == name ? "" : " (letter case ignored)";
}

// The key under which names that reach the same file compare equal.
std::string FileKey(const std::string& name) {
  std::string key = AsciiLowercase(name);
  std::replace(key.begin(), key.end(), '/', '\\');
  return key;
}

std::string NameProblem(const ListedFile& file) {
  if (file.had_nul) return "the line holds a NUL byte, and the text after it would be dropped";
  if (file.name.size() > archive_format::kMaxNameLength) {
    return "the name is " + std::to_string(file.name.size()) +
           " bytes, an entry name holds at most " + std::to_string(archive_format::kMaxNameLength);
  }
  if (const std::string reason = UnsafeNameReason(file.name); !reason.empty()) {
    return reason + "; extract and the updater would refuse it";
  }
  return std::string();
}

}  // namespace

std::vector<ListedFile> ReadListedFiles(UpdateInfo& script) {
  std::vector<ListedFile> files;
  std::string line;
  std::size_t number = 0;
  for (bool more = script.GetLine(kFileListSection, &line); more; more = script.GetLine(&line)) {
    ++number;
    if (!line.empty()) files.push_back({number, line, script.line_had_nul()});
  }
  return files;
}

std::string DescribeLine(const std::string& section, const ListedFile& file) {
  return PrintableName(section) + " line " + std::to_string(file.line_number) + " (" +
         PrintableName(file.name) + ")";
}

NameCheck CheckListedNames(const std::string& script_name, const std::string& section,
                           const std::vector<ListedFile>& files) {
  NameCheck check;
  const Origin script{"the script, entry 0", "the same name as the script, entry 0", script_name};
  std::unordered_map<std::string, Origin> by_name{{AsciiLowercase(script_name), script}};
  std::unordered_map<std::string, Origin> by_file{{FileKey(script_name), script}};
  for (const ListedFile& file : files) {
    const std::string where = DescribeLine(section, file);
    if (std::string problem = NameProblem(file); !problem.empty()) {
      check.error = where + ": " + problem;
      return check;
    }
    const Origin origin{where, "already packed from " + where, file.name};
    const auto [same_name, added] = by_name.try_emplace(AsciiLowercase(file.name), origin);
    if (!added) {
      check.error = where + ": " + same_name->second.duplicate +
                    CaseNote(file.name, same_name->second.name);
      return check;
    }
    const auto [same_file, new_file] = by_file.try_emplace(FileKey(file.name), origin);
    if (!new_file) {
      check.warnings.push_back(where + " and " + same_file->second.description +
                               " name the same file once letter case is ignored and / is read "
                               "as \\; extracting one overwrites the other");
    }
  }
  return check;
}

}  // namespace quintarel::upkit
