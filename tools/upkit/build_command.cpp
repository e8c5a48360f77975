// build: packs a script and its file list into an archive, as the updater's
// builder does, compressing the files on several threads.

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <thread>

#include "package/path.h"
#include "package/script_values.h"
#include "tools/upkit/build_plan.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/output_checks.h"
#include "tools/upkit/file_kind.h"
#include "tools/upkit/parallel_pack.h"
#include "tools/upkit/paths.h"
#include "tools/upkit/progress_bar.h"
#include "tools/upkit/time_format.h"

namespace quintarel::upkit {

namespace {

constexpr char kDefaultArchiveName[] = "update.dat";
constexpr char kSourceDateEpoch[] = "SOURCE_DATE_EPOCH";
// More threads than this only cost memory: each holds a whole file.
constexpr unsigned kMaxThreads = 256;

struct BuildOptions {
  std::string script;
  std::string out;
  std::optional<std::int32_t> time;
  unsigned threads = 0;
};

int BadTime(std::string_view where, std::string_view text) {
  return UsageError(std::string(where) + " must be seconds since 1970 UTC that fit a signed " +
                    "32-bit number, not '" + std::string(text) + "'");
}

// A thread count from 1 to kMaxThreads, in decimal.
bool ParseThreads(const std::string& text, unsigned* threads) {
  if (text.empty() || text.size() > 3 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  const unsigned value = static_cast<unsigned>(std::stoul(text));
  if (value == 0 || value > kMaxThreads) return false;
  *threads = value;
  return true;
}

// Parses the arguments; returns kExitOk or the usage error's code.
int ParseOptions(const Arguments& args, BuildOptions* options) {
  bool have_script = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-o") {
      if (++i == args.size() || args[i].empty()) return UsageError("-o needs a file");
      options->out = args[i];
    } else if (arg == "--time") {
      if (++i == args.size()) return UsageError("--time needs seconds since 1970");
      std::int32_t seconds = 0;
      if (!ParseArchiveTime(args[i], &seconds)) return BadTime("--time", args[i]);
      options->time = seconds;
    } else if (arg == "-j" || (arg.starts_with("-j") && arg.size() > 2)) {
      std::string count = arg.substr(2);
      if (count.empty()) {
        if (++i == args.size()) return UsageError("-j needs a number of threads");
        count = args[i];
      }
      if (!ParseThreads(count, &options->threads)) {
        return UsageError("-j takes a number of threads from 1 to " + std::to_string(kMaxThreads) +
                          ", not '" + count + "'");
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "' for build");
    } else if (!have_script) {
      options->script = arg;
      have_script = true;
    } else {
      return UsageError("build takes one SCRIPT");
    }
  }
  if (!have_script) return UsageError("build needs a SCRIPT");
  if (!options->time) {
    // Unset and empty both mean "no fixed time", as reproducible builds use it.
    const char* epoch = std::getenv(kSourceDateEpoch);
    if (epoch != nullptr && *epoch != '\0') {
      std::int32_t seconds = 0;
      if (!ParseArchiveTime(epoch, &seconds)) return BadTime(kSourceDateEpoch, epoch);
      options->time = seconds;
    }
  }
  if (options->threads == 0) options->threads = std::max(1u, std::thread::hardware_concurrency());
  return kExitOk;
}

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

// Why out must not be written: it is the script or a listed file, which
// the build would replace with the archive. "" when it is neither.
std::string OutOverwritesSource(const std::string& out, const std::vector<PackJob>& jobs,
                                const std::vector<ListedFile>& files,
                                const std::string& section) {
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (!IsSameFile(out, jobs[i].path)) continue;
    const std::string what = i == 0 ? std::string("the script itself")
                                    : "the file of " + DescribeLine(section, files[i - 1]);
    return DisplayPath(out) + " is " + what + "; the archive would replace it";
  }
  return std::string();
}

}  // namespace

int RunBuild(const Arguments& args) {
  BuildOptions options;
  if (const int usage = ParseOptions(args, &options); usage != kExitOk) return usage;

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

  const std::size_t separator = LastSeparator(options.script);
  // A script in the root keeps the root as its folder.
  const std::string folder = FolderPart(options.script);
  const std::string script_name =
      separator == std::string::npos ? options.script : options.script.substr(separator + 1);
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
  if (!archive.Save(out)) {
    PrintError(reporter.cause() == FileErrorCause::kNone ? DisplayPath(out) + " could not be written."
                                                         : OutputFailure(reporter.cause(), out));
    return kExitFailure;
  }
  if (archive.GetCount() < 2) {
    PrintError("warning: " + options.script + " lists no files; the updater refuses " +
               DisplayPath(out) + ", which holds only the script");
  }
  return kExitOk;
}

}  // namespace quintarel::upkit
