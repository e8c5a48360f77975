#include "tools/upkit/command_options.h"

#include <algorithm>
#include <unordered_map>

#include "package/archive_digests.h"
#include "package/path.h"
#include "package/text.h"
#include "tools/upkit/folder_diff.h"
#include "tools/upkit/names.h"
#include "tools/upkit/time_format.h"

namespace quintarel::upkit {

namespace {

constexpr char kSourceDateEpoch[] = "SOURCE_DATE_EPOCH";

std::string BadTime(std::string_view where, std::string_view text) {
  return std::string(where) + " must be seconds since 1970 UTC that fit a signed " +
         "32-bit number, not '" + std::string(text) + "'";
}

// A thread count from 1 to kMaxBuildThreads, in decimal.
bool ParseThreads(const std::string& text, unsigned* threads) {
  if (text.empty() || text.size() > 3 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  const auto value = static_cast<unsigned>(std::stoul(text));
  if (value == 0 || value > kMaxBuildThreads) return false;
  *threads = value;
  return true;
}

}  // namespace

std::string ParseBuildOptions(const std::vector<std::string>& args, const char* source_date_epoch,
                              unsigned default_threads, BuildOptions* options) {
  bool have_script = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o") {
      if (++i == args.size() || args[i].empty()) return "-o needs a file";
      options->out = args[i];
    } else if (arg == "--time") {
      if (++i == args.size()) return "--time needs seconds since 1970";
      std::int32_t seconds = 0;
      if (!ParseArchiveTime(args[i], &seconds)) return BadTime("--time", args[i]);
      options->time = seconds;
    } else if (arg == "-j" || (arg.starts_with("-j") && arg.size() > 2)) {
      std::string count = arg.substr(2);
      if (count.empty()) {
        if (++i == args.size()) return "-j needs a number of threads";
        count = args[i];
      }
      if (!ParseThreads(count, &options->threads)) {
        return "-j takes a number of threads from 1 to " + std::to_string(kMaxBuildThreads) +
               ", not '" + count + "'";
      }
    } else if (arg == "--no-digests") {
      options->digests = false;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option '" + arg + "' for build";
    } else if (!have_script) {
      options->script = arg;
      have_script = true;
    } else {
      return "build takes one SCRIPT";
    }
  }
  if (!have_script) return "build needs a SCRIPT";
  // Unset and empty both mean "no fixed time", as reproducible builds use it.
  if (!options->time && source_date_epoch != nullptr && *source_date_epoch != '\0') {
    std::int32_t seconds = 0;
    if (!ParseArchiveTime(source_date_epoch, &seconds)) return BadTime(kSourceDateEpoch, source_date_epoch);
    options->time = seconds;
  }
  if (options->threads == 0) options->threads = std::max(1u, default_threads);
  return std::string();
}

std::string ParseDiffOptions(const std::vector<std::string>& args, DiffOptions* options) {
  std::vector<std::string> folders;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o") {
      if (++i == args.size() || args[i].empty()) return "-o needs a folder";
      options->out = args[i];
    } else if (arg == "--program") {
      if (++i == args.size() || args[i].empty()) return "--program needs a file name";
      options->program = WithBackslashes(args[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option '" + arg + "' for diff";
    } else {
      folders.push_back(arg);
    }
  }
  if (folders.size() != 2) return "diff takes two folders, OLD and NEW";
  if (options->out.empty()) return "diff needs -o DIR, the folder to write";
  options->old_folder = folders[0];
  options->new_folder = folders[1];
  if (options->program.empty()) return std::string();
  // The version check line is split at its first "/" and "-".
  if (options->program.find('-') != std::string::npos) {
    return "--program " + options->program + ": the version check cannot name a file with '-'";
  }
  if (const std::string reason = ArchiveNameProblem(options->program); !reason.empty()) {
    return "--program " + options->program + ": " + reason;
  }
  return std::string();
}

std::string ParseExtractOptions(const std::vector<std::string>& args, ExtractOptions* options) {
  bool have_archive = false;
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_ended && arg == "--") {
      options_ended = true;
    } else if (!options_ended && arg == "-C") {
      if (++i == args.size() || args[i].empty()) return "-C needs a folder";
      options->folder = args[i];
    } else if (!options_ended && arg.size() > 1 && arg[0] == '-') {
      return "unknown option '" + arg + "' for extract";
    } else if (!have_archive) {
      options->archive = arg;
      have_archive = true;
    } else {
      options->names.push_back(arg);
    }
  }
  if (!have_archive) return "extract needs an ARCHIVE";
  return std::string();
}

std::string DescribeEntry(const UpdateArchive& archive, int index) {
  return "entry " + std::to_string(index) + " (" + PrintableName(archive.entry(index).name()) + ")";
}

EntryChoice ChooseEntries(const UpdateArchive& archive, const ExtractOptions& options) {
  EntryChoice choice;
  const auto choose = [&](int index) {
    if (IsDigestEntryName(archive.entry(index).name())) {
      choice.notes.push_back(DescribeEntry(archive, index) +
                             ": the archive's digests, not a file; not extracted (upkit verify checks them)");
    } else {
      choice.chosen.push_back(index);
    }
  };
  if (!options.names.empty()) {
    for (const std::string& name : options.names) {
      const int index = archive.Find(name);
      if (index == -1) {
        choice.problems.push_back(PrintableName(name) + ": not in " + options.archive);
      } else {
        choose(index);
      }
    }
    return choice;
  }
  // Extraction goes by name, which reaches only the first of two names
  // that differ in letter case; the second would silently get its bytes.
  std::unordered_map<std::string, int> first_index;
  for (int index = 0; index < archive.GetCount(); ++index) {
    const int first =
        first_index.try_emplace(AsciiLowercase(archive.entry(index).name()), index).first->second;
    if (first != index) {
      choice.problems.push_back(DescribeEntry(archive, index) + ": same name as entry " +
                                std::to_string(first) + " when letter case is ignored; not extracted");
    } else {
      choose(index);
    }
  }
  return choice;
}

}  // namespace quintarel::upkit
