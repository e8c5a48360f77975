// upkit: the release engineers' tool for update archives and codec streams.

#include <cstdio>
#include <exception>
#include <new>
#include <string_view>

#include "package/file_error.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/terminal.h"

namespace quintarel::upkit {

namespace {

struct Command {
  std::string_view name;
  int (*run)(const Arguments& args);
};

constexpr Command kCommands[] = {
    {"compress", RunCompress}, {"expand", RunExpand}, {"list", RunList},
    {"extract", RunExtract},   {"verify", RunVerify}, {"build", RunBuild},
    {"show", RunShow},         {"value", RunValue},   {"lines", RunLines},
    {"diff", RunDiff},
};

constexpr char kUsage[] =
    "Usage: upkit COMMAND ARGUMENTS...\n"
    "\n"
    "  compress IN OUT       compress the file IN into the raw codec stream OUT\n"
    "  expand IN OUT         expand the raw codec stream IN into the file OUT;\n"
    "                        a broken stream leaves OUT untouched\n"
    "  list ARCHIVE [--json]\n"
    "                        one line per entry, fields separated by tabs: index,\n"
    "                        name, fileSize, storedSize, compressed, creation,\n"
    "                        write and access time (UTC, \"-\" when 0, i.e.\n"
    "                        unknown);\n"
    "                        --json gives raw integer times, the name (bytes\n"
    "                        that are not UTF-8 as \\u00XX, their Latin-1\n"
    "                        reading) and nameHex, the name's exact bytes\n"
    "  extract ARCHIVE [-C DIR] [--] [NAME...]\n"
    "                        write every entry, or the named ones (letter case\n"
    "                        ignored), below DIR (default: the current folder);\n"
    "                        names that would leave DIR are refused\n"
    "  verify ARCHIVE        check the archive's structure, that every entry\n"
    "                        expands to its size, and its script: at least two\n"
    "                        entries, every copyfiles and licence entry present,\n"
    "                        a well-formed version check, and a sealed archive's\n"
    "                        SHA-256 digests; one line per problem\n"
    "  build SCRIPT [-o OUT] [--time T] [-j N] [--no-digests]\n"
    "                        pack SCRIPT and the files its filelist names (read\n"
    "                        as on a Japanese system, below SCRIPT's folder)\n"
    "                        into OUT (default: update.dat beside SCRIPT), as the\n"
    "                        updater's builder does; --time T, or else the\n"
    "                        environment's SOURCE_DATE_EPOCH, sets every entry's\n"
    "                        times to T seconds since 1970 UTC, for identical\n"
    "                        builds; -j N compresses N files at a time (default:\n"
    "                        the number of processors; the archive is the same\n"
    "                        for every N); names that extract would refuse and\n"
    "                        an OUT that is one of the sources stop the build,\n"
    "                        which then writes nothing; the archive is sealed\n"
    "                        with a last entry, SHA256SUMS/, that lists every\n"
    "                        entry's SHA-256, unless --no-digests\n"
    "  show SCRIPT|ARCHIVE [--japanese] [--json]\n"
    "                        what the updater reads from the script, in the\n"
    "                        wizard's order; for an archive, whether each\n"
    "                        copyfiles and licence entry is present\n"
    "  value SCRIPT SECTION KEY [--japanese]\n"
    "                        the raw value of KEY in SECTION, then a newline\n"
    "  lines SCRIPT SECTION [--japanese]\n"
    "                        every raw line of SECTION, each followed by a\n"
    "                        newline\n"
    "                        (--japanese reads as a Japanese system does:\n"
    "                        sections redirected through [japanese]; SCRIPT may\n"
    "                        also be an archive, whose entry 0 is read)\n"
    "  diff OLD NEW -o DIR [--program NAME]\n"
    "                        compare two installed program folders by content;\n"
    "                        write into DIR (new, or empty) every file of NEW\n"
    "                        that is new or changed, in its place, and\n"
    "                        update.inf, whose copyfiles and filelist upkit\n"
    "                        build turns into the archive that upgrades OLD to\n"
    "                        NEW (texts, hints, licence and shortcuts left to\n"
    "                        fill in); --program NAME adds the version check\n"
    "                        from NAME's version in OLD to that in NEW; what is\n"
    "                        added, changed and removed (an archive cannot\n"
    "                        delete a file) goes to stdout and DIR/diff.txt;\n"
    "                        links, names an archive cannot carry and folders\n"
    "                        with nothing new stop the diff before it writes\n"
    "  --help                show this text\n"
    "\n"
    "Exit status: 0 success, 1 failure or problems found, 2 usage error,\n"
    "3 key or section not found (value, lines).\n";

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
  upkit::RemoveUnfinishedFilesOnInterrupt();
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
