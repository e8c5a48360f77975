// build: packs a script and its file list into an archive, as the updater's
// builder does.

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>

#include "package/archive_packing.h"
#include "package/script_values.h"
#include "package/text.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/paths.h"
#include "tools/upkit/progress_bar.h"
#include "tools/upkit/script_check.h"
#include "tools/upkit/time_format.h"

namespace quintarel::upkit {

namespace {

constexpr char kDefaultArchiveName[] = "update.dat";
constexpr char kSourceDateEpoch[] = "SOURCE_DATE_EPOCH";
// Longer names are cut from the front in the bar, so it fits one line.
constexpr std::size_t kLabelNameLength = 40;

struct BuildOptions {
  std::string script;
  std::string out;
  std::optional<std::int32_t> time;
};

int BadTime(std::string_view where, std::string_view text) {
  return UsageError(std::string(where) + " must be seconds since 1970 UTC that fit a signed " +
                    "32-bit number, not '" + std::string(text) + "'");
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
  return kExitOk;
}

// Index of the last separator of path, "\" (double-byte aware) or "/", or npos.
std::size_t LastSeparator(std::string_view path) {
  const std::size_t backslash = FindLastSeparator(path);
  const std::size_t slash = path.rfind('/');
  if (backslash == std::string_view::npos) return slash;
  if (slash == std::string_view::npos) return backslash;
  return std::max(backslash, slash);
}

// Keeps the first file error, which is the cause of the failure.
class RememberingReporter final : public FileErrorReporter {
 public:
  void ShowFileError(const FileError& error) override {
    if (!message_) message_ = error.what();
  }
  const std::optional<std::string>& message() const { return message_; }

 private:
  std::optional<std::string> message_;
};

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

// Ctrl+C while packing stops the build at the file's next progress report,
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

// Draws a bar for each file while stderr is a terminal, counts the files
// started (the last one is where a failed build stopped) and passes on an
// interrupt.
class BuildObserver final : public PackingObserver {
 public:
  explicit BuildObserver(bool terminal) : terminal_(terminal) {}

  void StartFile(const std::string& name) override {
    ++started_;
    bar_.reset();
    std::string label = PrintableName(name);
    if (label.size() > kLabelNameLength) label = "..." + label.substr(label.size() - kLabelNameLength);
    bar_ = std::make_unique<ProgressBar>(stderr, terminal_, "build " + label, 100, 0);
  }
  bool Progress(std::int64_t percent) override {
    if (bar_) bar_->Update(percent);
    return interrupted == 0;
  }
  void Finish() { bar_.reset(); }
  std::size_t started() const { return started_; }

 private:
  bool terminal_;
  std::unique_ptr<ProgressBar> bar_;
  std::size_t started_ = 0;
};

// Where the build stopped, in words: the file-list line (counted in its
// section as the script has it, empty lines included) and its name.
std::string StoppedLine(UpdateInfo& script, std::size_t file_index) {
  const std::vector<std::string> lines = ReadSectionLines(script, kFileListSection);
  std::size_t position = 0;
  std::size_t seen = 0;
  for (; position < lines.size(); ++position) {
    if (!lines[position].empty() && ++seen == file_index) break;
  }
  if (position == lines.size()) return "filelist";
  return PrintableName(script.MapSection(kFileListSection)) + " line " +
         std::to_string(position + 1) + " (" + PrintableName(lines[position]) + ")";
}

std::string DuplicateCause(UpdateInfo& script, const std::string& script_name,
                           const std::string& name, std::size_t file_index) {
  const auto case_note = [&name](const std::string& other) {
    return other == name ? "" : " (letter case ignored)";
  };
  if (EqualsIgnoringAsciiCase(name, script_name)) {
    return std::string("the same name as the script, entry 0") + case_note(script_name);
  }
  const std::vector<std::string> files = ReadFileList(script);
  for (std::size_t i = 0; i + 1 < file_index; ++i) {
    if (EqualsIgnoringAsciiCase(files[i], name)) {
      return "already packed from " + StoppedLine(script, i + 1) + case_note(files[i]);
    }
  }
  return "already in the archive";
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
  const std::string folder = separator == std::string::npos ? std::string()
                             : separator == 0              ? options.script.substr(0, 1)
                                                           : options.script.substr(0, separator);
  const std::string script_name =
      separator == std::string::npos ? options.script : options.script.substr(separator + 1);
  const std::string out =
      options.out.empty() ? JoinPath(folder, kDefaultArchiveName) : options.out;

  RememberingReporter reporter;
  UpdateArchive archive(OperatingSystemFiles(), &reporter);
  BuildObserver observer(StderrIsTerminal());
  PackResult result;
  {
    InterruptScope interrupt_scope;
    result = PackArchive(archive, script, script_name, folder, &observer);
  }
  observer.Finish();

  const std::string& name = result.line;
  switch (result.status) {
    case PackStatus::kComplete:
      break;
    case PackStatus::kScriptUnreadable:
      PrintError(reporter.message().value_or(options.script + " could not be read."));
      return kExitFailure;
    case PackStatus::kFileUnreadable:
      PrintError(options.script + ": " + StoppedLine(script, observer.started()) + ": " +
                 reporter.message().value_or("too large for an archive entry (4 GiB or more)"));
      return kExitFailure;
    case PackStatus::kDuplicateName:
      PrintError(options.script + ": " + StoppedLine(script, observer.started()) + ": " +
                 DuplicateCause(script, script_name, name, observer.started()));
      return kExitFailure;
    case PackStatus::kNameTooLong:
      PrintError(options.script + ": " + StoppedLine(script, observer.started()) + ": the name is " +
                 std::to_string(name.size()) + " bytes, an entry name holds at most " +
                 std::to_string(archive_format::kMaxNameLength));
      return kExitFailure;
    case PackStatus::kCancelled:
      PrintError(options.script + ": build interrupted; " + out + " not written");
      return kExitFailure;
  }

  if (options.time) {
    for (int i = 0; i < archive.GetCount(); ++i) {
      archive.entry(i).set_times(*options.time, *options.time, *options.time);
    }
  }
  if (!archive.Save(out)) {
    PrintError(reporter.message().value_or(out + " could not be written."));
    return kExitFailure;
  }
  if (archive.GetCount() < 2) {
    PrintError("warning: " + options.script + " lists no files; the updater refuses " + out +
               ", which holds only the script");
  }
  return kExitOk;
}

}  // namespace quintarel::upkit
