// verify: every structural rule of the archive, every entry's data, and
// the script as the updater will read it.

#include <cstdio>

#include "package/archive_digests.h"
#include "tools/upkit/archive_check.h"
#include "tools/upkit/command_options.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/progress_bar.h"
#include "tools/upkit/script_check.h"

namespace quintarel::upkit {

namespace {

std::vector<std::string> SealProblems(const UpdateArchive& archive, const DigestCheck& seal) {
  switch (seal.state) {
    case DigestCheck::State::kUnsealed:
    case DigestCheck::State::kSound:
      return {};
    case DigestCheck::State::kMalformed:
      return {"digests: " + seal.problem};
    case DigestCheck::State::kCannotHash:
      return {"digests: this system offers no SHA-256 to check them with"};
    case DigestCheck::State::kDamaged:
      break;
  }
  std::vector<std::string> problems;
  for (const int index : seal.damaged) {
    problems.push_back(DescribeEntry(archive, index) + ": its bytes differ from the ones sealed (SHA-256)");
  }
  return problems;
}

}  // namespace

int RunVerify(const Arguments& args) {
  if (args.size() != 1 || (args[0].size() > 1 && args[0][0] == '-')) {
    return UsageError("verify takes one ARCHIVE");
  }
  const std::string& path = args[0];
  ArchiveReport report;
  {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes)) return kExitFailure;
    ProgressBar bar(stderr, StderrIsTerminal(), "verify", static_cast<std::int64_t>(bytes.size()));
    report = CheckArchive(bytes, &ProgressBar::Sink, &bar);
  }
  // The script is checked as the updater reads it, so only an archive that
  // the reader accepts has one to check. The file's bytes are gone by now,
  // so the archive and its script are not held beside a copy.
  UpdateArchive archive(OperatingSystemFiles());
  bool sealed = false;
  if (archive.Open(path)) {
    for (std::string& problem : CheckArchiveScript(archive)) {
      report.problems.push_back(std::move(problem));
    }
    const DigestCheck seal = CheckDigests(archive);
    for (std::string& problem : SealProblems(archive, seal)) report.problems.push_back(std::move(problem));
    sealed = seal.state == DigestCheck::State::kSound;
  }
  for (const std::string& problem : report.problems) std::printf("%s\n", problem.c_str());
  if (!report.problems.empty()) {
    std::printf("FAILED: %s: %llu problem%s\n", path.c_str(),
                static_cast<unsigned long long>(report.problems.size()),
                report.problems.size() == 1 ? "" : "s");
    return kExitFailure;
  }
  std::printf("OK: %s: %u entries, %llu bytes expanded, %s\n", path.c_str(),
              static_cast<unsigned>(report.entries),
              static_cast<unsigned long long>(report.expanded_bytes),
              sealed ? "every one as sealed (SHA-256)" : "no digests");
  return kExitOk;
}

}  // namespace quintarel::upkit
