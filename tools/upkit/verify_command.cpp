// verify: every structural rule of the archive, every entry's data, and
// the script as the updater will read it.

#include <cstdio>

#include "tools/upkit/archive_check.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/progress_bar.h"
#include "tools/upkit/script_check.h"

namespace quintarel::upkit {

int RunVerify(const Arguments& args) {
  if (args.size() != 1 || (args[0].size() > 1 && args[0][0] == '-')) {
    return UsageError("verify takes one ARCHIVE");
  }
  const std::string& path = args[0];
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes)) return kExitFailure;

  ArchiveReport report;
  {
    ProgressBar bar(stderr, StderrIsTerminal(), "verify", static_cast<std::int64_t>(bytes.size()));
    report = CheckArchive(bytes, &ProgressBar::Sink, &bar);
  }
  // The script is checked as the updater reads it, so only an archive that
  // the reader accepts has one to check.
  UpdateArchive archive(OperatingSystemFiles());
  MemoryStream file(std::move(bytes));
  if (archive.ReadFrom(file)) {
    for (std::string& problem : CheckArchiveScript(archive)) {
      report.problems.push_back(std::move(problem));
    }
  }
  for (const std::string& problem : report.problems) std::printf("%s\n", problem.c_str());
  if (!report.problems.empty()) {
    std::printf("FAILED: %s: %llu problem%s\n", path.c_str(),
                static_cast<unsigned long long>(report.problems.size()),
                report.problems.size() == 1 ? "" : "s");
    return kExitFailure;
  }
  std::printf("OK: %s: %u entries, %llu bytes expanded\n", path.c_str(),
              static_cast<unsigned>(report.entries),
              static_cast<unsigned long long>(report.expanded_bytes));
  return kExitOk;
}

}  // namespace quintarel::upkit
