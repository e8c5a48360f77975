// extract: entries to files below a folder, refusing names that would
// leave it.

#include <limits>

#include "package/file_writing.h"
#include "package/path.h"
#include "tools/upkit/command_options.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/file_kind.h"
#include "tools/upkit/output_checks.h"
#include "tools/upkit/names.h"
#include "tools/upkit/progress_bar.h"

namespace quintarel::upkit {

namespace {

// Why ExtractToFile failed, from the damage of the entry or the cause of
// the file error it met.
std::string ExtractFailure(UpdateArchive& archive, int index, const std::string& dest,
                           FileErrorCause cause) {
  // Only counts what is written: tells a damaged entry from a write failure.
  BoundedOutput discard(nullptr, std::numeric_limits<std::uint64_t>::max());
  if (!archive.ExtractAt(index, discard, nullptr)) {
    return "the stored data is damaged (upkit verify says how); not extracted";
  }
  const std::string folder = FolderOf(dest);
  if (!folder.empty() && KindOf(folder) != FileKind::kFolder) {
    return "could not create the folder " + DisplayPath(folder) + "; not extracted";
  }
  if (cause == FileErrorCause::kNone) return DisplayPath(dest) + " could not be written";
  return OutputFailure(cause, dest);
}

struct EntryProgress {
  ProgressBar* bar;
  std::int64_t done_before;
  std::int64_t size;
};

// PercentProgress hands over the entry's percentage; the bar counts bytes
// of the whole extraction.
bool ShowEntryProgress(void* context, std::int64_t percent) {
  const auto& progress = *static_cast<EntryProgress*>(context);
  if (percent >= 0) progress.bar->Update(progress.done_before + progress.size * percent / 100);
  return true;
}

}  // namespace

int RunExtract(const Arguments& args) {
  ExtractOptions options;
  if (const std::string usage = ParseExtractOptions(args, &options); !usage.empty()) return UsageError(usage);

  FileSystem& files = OperatingSystemFiles();
  UpdateArchive archive(files);
  if (!OpenArchive(options.archive, archive)) return kExitFailure;

  const std::string folder = TypedFolderPath(options.folder);
  if (const FileKind kind = KindOf(folder);
      kind != FileKind::kMissing && kind != FileKind::kFolder) {
    PrintError(DisplayPath(options.folder) + " is not a folder; nothing extracted");
    return kExitFailure;
  }

  const EntryChoice choice = ChooseEntries(archive, options);
  bool ok = choice.problems.empty();
  for (const std::string& problem : choice.problems) PrintError(problem);
  for (const std::string& note : choice.notes) PrintError("note: " + note);
  const std::vector<int>& chosen = choice.chosen;

  if (!files.Exists(folder)) {
    // Anchor a relative folder at "." so that its first part can be created too.
    const std::string anchored = IsAbsolutePath(folder) ? folder : JoinPath(".", folder);
    if (!CreateParentFolders(files, JoinPath(anchored, "x")) || !files.Exists(folder)) {
      PrintError("could not create the folder " + DisplayPath(options.folder));
      return kExitFailure;
    }
  }

  std::int64_t total = 0;
  for (const int index : chosen) total += archive.entry(index).file_size();
  ProgressBar bar(stderr, StderrIsTerminal(), "extract", total);
  std::int64_t done = 0;
  for (const int index : chosen) {
    const ArchiveEntry& entry = archive.entry(index);
    const std::string name = entry.name();
    const std::int64_t size = entry.file_size();
    if (const std::string reason = UnsafeNameReason(name); !reason.empty()) {
      bar.Clear();
      PrintError(DescribeEntry(archive, index) + ": refused, " + reason + "; not extracted");
      ok = false;
    } else if (const std::string dest = JoinPath(folder, WithBackslashes(name)),
               refusal = ExtractionRefusal(files, folder, name, dest, options.archive);
               !refusal.empty()) {
      bar.Clear();
      PrintError(DescribeEntry(archive, index) + ": " + refusal + "; not extracted");
      ok = false;
    } else {
      EntryProgress entry_progress{&bar, done, size};
      PercentProgress progress(&ShowEntryProgress, &entry_progress);
      FileErrorCause cause = FileErrorCause::kNone;
      if (!archive.ExtractToFile(dest, name, &progress, &cause)) {
        bar.Clear();
        PrintError(DescribeEntry(archive, index) + ": " + ExtractFailure(archive, index, dest, cause));
        ok = false;
      }
    }
    done += size;
    bar.Update(done);
  }
  return ok ? kExitOk : kExitFailure;
}

}  // namespace quintarel::upkit
