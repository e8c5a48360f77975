#ifndef TOOLS_UPKIT_COMMAND_OPTIONS_H_
#define TOOLS_UPKIT_COMMAND_OPTIONS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/update_archive.h"

namespace quintarel::upkit {

// build's command line.
struct BuildOptions {
  std::string script;
  std::string out;
  std::optional<std::int32_t> time;
  unsigned threads = 0;
  // Seal the archive with the digest entry (--no-digests leaves it out).
  bool digests = true;
};

// More threads than this only cost memory: each holds a whole file.
inline constexpr unsigned kMaxBuildThreads = 256;

// Reads build's arguments into *options: "" when they are usable, else the
// usage error. source_date_epoch is SOURCE_DATE_EPOCH's value (null when
// unset), used when --time is not given; default_threads is the thread
// count without -j.
std::string ParseBuildOptions(const std::vector<std::string>& args, const char* source_date_epoch,
                              unsigned default_threads, BuildOptions* options);

// diff's command line.
struct DiffOptions {
  std::string old_folder;
  std::string new_folder;
  std::string out;
  // The main program's path below both folders ("\" between parts), for
  // the version check; empty without --program.
  std::string program;
};

// Reads diff's arguments into *options: "" when they are usable, else the
// usage error. A program name that the version check line cannot hold
// ("-" in it, or a name no archive entry could have) is a usage error too;
// "/" in it is read as "\".
std::string ParseDiffOptions(const std::vector<std::string>& args, DiffOptions* options);

// extract's command line.
struct ExtractOptions {
  std::string archive;
  std::string folder = ".";
  std::vector<std::string> names;
};

// Reads extract's arguments into *options: "" when they are usable, else
// the usage error.
std::string ParseExtractOptions(const std::vector<std::string>& args, ExtractOptions* options);

// The entries extract writes: their indexes, in archive order for "all"
// and in the order given otherwise, a line for each one it cannot, and a
// note for the digest entry, which holds no file and is left out.
struct EntryChoice {
  std::vector<int> chosen;
  std::vector<std::string> problems;
  std::vector<std::string> notes;
};
EntryChoice ChooseEntries(const UpdateArchive& archive, const ExtractOptions& options);

// How extract names an entry in its messages.
std::string DescribeEntry(const UpdateArchive& archive, int index);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_COMMAND_OPTIONS_H_
