// build: packs a script and its file list into an archive, as the updater's
// builder does, compressing the files on several threads.

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <thread>

#include "package/archive_digests.h"
#include "package/path.h"
#include "package/script_values.h"
#include "tools/upkit/build_plan.h"
#include "tools/upkit/command_options.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/output_checks.h"
#include "tools/upkit/file_kind.h"
#include "tools/upkit/parallel_pack.h"
#include "tools/upkit/progress_bar.h"
#include "tools/upkit/time_format.h"

namespace quintarel::upkit {

namespace {

constexpr char kDefaultArchiveName[] = "update.dat";

// Keeps the first file error, which is the cause of the failure.
class RememberingReporter final : public FileErrorReporter {
 public:
  void ShowFileError(const FileError& error) override {
    if (cause_ == FileErrorCause::kNone) cause_ = error.cause();
  }
  FileErrorCause cause() const { return cause_; }

 private:
  FileErrorCause cause_ = FileErrorCause::kNone;
};

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

// Ctrl+C while packing stops the build at the files' next progress report,
// so that nothing half-done is left behind; the archive is still in memory
// then.
class InterruptScope {
 public:
  InterruptScope() : previous_(std::signal(SIGINT, OnInterrupt)) {}
  ~InterruptScope() { std::signal(SIGINT, previous_); }
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

 private:
  void (*previous_)(int);
};

}  // namespace

int RunBuild(const Arguments& args) {
  BuildOptions options;
  if (const std::string usage = ParseBuildOptions(args, std::getenv("SOURCE_DATE_EPOCH"),
                                                  std::thread::hardware_concurrency(), &options);
      !usage.empty()) {
    return UsageError(usage);
  }

  // The builder reads the script as a Japanese system would, so that a
  // [japanese] file list applies.
  UpdateInfo script(true);
  UpdateArchive given_archive(OperatingSystemFiles());
  bool is_archive = false;
  if (!LoadScriptSource(options.script, script, given_archive, &is_archive)) return kExitFailure;
  if (is_archive) {
    PrintError(options.script + " is an update archive; build takes its script");
    return kExitFailure;
  }

  const std::string folder = TypedFolderOf(options.script);
  const std::string script_name = TypedFileNameOf(options.script);
  const std::string out =
      options.out.empty() ? JoinPath(folder, kDefaultArchiveName) : options.out;

  const std::string section = script.MapSection(kFileListSection);
  const std::vector<ListedFile> files = ReadListedFiles(script);
  const NameCheck names = CheckListedNames(script_name, section, files);
  if (names.error) {
    PrintError(options.script + ": " + *names.error);
    return kExitFailure;
  }
  std::vector<PackJob> jobs{{script_name, JoinPath(folder, script_name)}};
  for (const ListedFile& file : files) jobs.push_back({file.name, JoinPath(folder, file.name)});
  if (const std::string reason = OutOverwritesSource(out, jobs, files, section); !reason.empty()) {
    PrintError(options.script + ": " + reason + "; nothing written");
    return kExitFailure;
  }
  if (const std::string reason = RefusedOutputReason(OperatingSystemFiles(), out);
      !reason.empty()) {
    PrintError(reason + "; nothing written");
    return kExitFailure;
  }
  for (const std::string& warning : names.warnings) {
    PrintError("warning: " + options.script + ": " + warning);
  }

  PackOutcome outcome;
  {
    InterruptScope interrupt_scope;
    ProgressBar bar(stderr, StderrIsTerminal(), "build",
                    kJobShare * static_cast<std::int64_t>(jobs.size()), 0);
    outcome = PackInParallel(
        OperatingSystemFiles(), jobs, options.threads, [] { return interrupted == 0; },
        [&bar](std::int64_t done) { bar.Update(done); });
  }
  if (outcome.cancelled) {
    PrintError(options.script + ": build interrupted; " + DisplayPath(out) + " not written");
    return kExitFailure;
  }
  if (outcome.failed_job) {
    const std::size_t job = *outcome.failed_job;
    const std::string where =
        job == 0 ? std::string() : DescribeLine(section, files[job - 1]) + ": ";
    PrintError(options.script + ": " + where + outcome.error);
    return kExitFailure;
  }

  RememberingReporter reporter;
  UpdateArchive archive(OperatingSystemFiles(), &reporter);
  for (std::unique_ptr<ArchiveEntry>& entry : outcome.entries) {
    if (options.time) entry->set_times(*options.time, *options.time, *options.time);
    // The names were checked above, so none is refused here.
    archive.AddEntry(std::move(entry));
  }
  const bool only_script = archive.GetCount() < 2;
  if (options.digests) {
    std::vector<Sha256Digest> digests;
    for (const std::optional<Sha256Digest>& digest : outcome.digests) {
      if (!digest) {
        PrintError("this system offers no SHA-256 to seal " + DisplayPath(out) +
                   " with; build with --no-digests to write it unsealed");
        return kExitFailure;
      }
      digests.push_back(*digest);
    }
    SealArchive(archive, digests);
  }
  if (!archive.Save(out)) {
    PrintError(reporter.cause() == FileErrorCause::kNone ? DisplayPath(out) + " could not be written."
                                                         : OutputFailure(reporter.cause(), out));
    return kExitFailure;
  }
  if (only_script) {
    PrintError("warning: " + options.script + " lists no files; the updater refuses " +
               DisplayPath(out) + ", which holds only the script");
  }
  return kExitOk;
}

}  // namespace quintarel::upkit
