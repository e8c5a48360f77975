// upkit: the release engineers' tool for update archives and codec streams.

#include <cstdio>
#include <exception>
#include <new>
#include <string_view>

#include "package/file_error.h"
#include "tools/upkit/commands.h"

namespace quintarel::upkit {

namespace {

struct Command {
  std::string_view name;
  int (*run)(const Arguments& args);
};

constexpr Command kCommands[] = {
    {"compress", RunCompress}, {"expand", RunExpand}, {"list", RunList},
    {"extract", RunExtract},   {"verify", RunVerify},
};

constexpr char kUsage[] =
    "usage: upkit COMMAND ARGUMENTS...\n"
    "\n"
    "  compress IN OUT       compress the file IN into the raw codec stream OUT\n"
    "  expand IN OUT         expand the raw codec stream IN into the file OUT;\n"
    "                        a broken stream leaves OUT untouched\n"
    "  list ARCHIVE [--json] one line per entry: index, fileSize, storedSize,\n"
    "                        compressed, creation, write and access time (UTC,\n"
    "                        \"-\" when 0, i.e. unknown), then the name;\n"
    "                        --json gives raw integer times, the name (bytes\n"
    "                        that are not UTF-8 as \\u00XX, their Latin-1\n"
    "                        reading) and nameHex, the name's exact bytes\n"
    "  extract ARCHIVE [-C DIR] [--] [NAME...]\n"
    "                        write every entry, or the named ones (letter case\n"
    "                        ignored), below DIR (default: the current folder);\n"
    "                        names that would leave DIR are refused\n"
    "  verify ARCHIVE        check the archive's structure and that every entry\n"
    "                        expands to its size; one line per problem\n"
    "  --help                show this text\n"
    "\n"
    "Exit status: 0 success, 1 failure or problems found, 2 usage error.\n";

void PrintUsage(std::FILE* out) { std::fputs(kUsage, out); }

int Run(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const std::string_view command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    PrintUsage(stdout);
    return kExitOk;
  }
  for (const Command& candidate : kCommands) {
    if (candidate.name == command) return candidate.run(Arguments(argv + 2, argv + argc));
  }
  return UsageError("unknown command '" + std::string(command) + "'");
}

}  // namespace

int UsageError(std::string_view message) {
  PrintError(message);
  PrintUsage(stderr);
  return kExitUsage;
}

}  // namespace quintarel::upkit

int main(int argc, char** argv) {
  using namespace quintarel;
  // Failures deep inside a command (a disk that fills up, memory that runs
  // out) end the command with one line, like every other failure.
  try {
    return upkit::Run(argc, argv);
  } catch (const FileError& error) {
    upkit::PrintError(error.what());
  } catch (const std::bad_alloc&) {
    upkit::PrintError("out of memory");
  } catch (const std::exception& error) {
    upkit::PrintError(error.what());
  }
  return upkit::kExitFailure;
}
