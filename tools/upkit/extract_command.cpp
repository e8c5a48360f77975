// extract: entries to files below a folder, refusing names that would
// leave it.

#include <unordered_map>

#include "package/file_writing.h"
#include "package/path.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/file_kind.h"
#include "tools/upkit/output_checks.h"
#include "tools/upkit/paths.h"
#include "tools/upkit/progress_bar.h"

namespace quintarel::upkit {

namespace {

struct ExtractOptions {
  std::string archive;
  std::string folder = ".";
  std::vector<std::string> names;
};

// Parses the arguments; returns kExitOk or the usage error's code.
int ParseOptions(const Arguments& args, ExtractOptions* options) {
  bool have_archive = false;
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options_ended && arg == "--") {
      options_ended = true;
    } else if (!options_ended && arg == "-C") {
      if (++i == args.size()) return UsageError("-C needs a folder");
      if (args[i].empty()) return UsageError("-C needs a folder");
      options->folder = args[i];
    } else if (!options_ended && arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "' for extract");
    } else if (!have_archive) {
      options->archive = arg;
      have_archive = true;
    } else {
      options->names.push_back(arg);
    }
  }
  if (!have_archive) return UsageError("extract needs an ARCHIVE");
  return kExitOk;
}

std::string Describe(const UpdateArchive& archive, int index) {
  return "entry " + std::to_string(index) + " (" + PrintableName(archive.entry(index).name()) +
         ")";
}

// The indexes to extract, in archive order for "all" and in the order given
// otherwise. Prints what cannot be extracted and clears *ok for it.
std::vector<int> ChooseEntries(const UpdateArchive& archive, const ExtractOptions& options,
                               bool* ok) {
  std::vector<int> chosen;
  if (!options.names.empty()) {
    for (const std::string& name : options.names) {
      const int index = archive.Find(name);
      if (index == -1) {
        PrintError(PrintableName(name) + ": not in " + options.archive);
        *ok = false;
      } else {
        chosen.push_back(index);
      }
    }
    return chosen;
  }
  // Extraction goes by name, which reaches only the first of two names
  // that differ in letter case; the second would silently get its bytes.
  std::unordered_map<std::string, int> first_index;
  for (int index = 0; index < archive.GetCount(); ++index) {
    const int first =
        first_index.try_emplace(AsciiLowercase(archive.entry(index).name()), index).first->second;
    if (first != index) {
      PrintError(Describe(archive, index) + ": same name as entry " + std::to_string(first) +
                 " when letter case is ignored; not extracted");
      *ok = false;
    } else {
      chosen.push_back(index);
    }
  }
  return chosen;
}

// Discards what is written; for telling damaged entries from write failures.
class DiscardOutput final : public Stream {
 public:
  std::size_t Read(void*, std::size_t) override { return 0; }
  void Write(const void*, std::size_t) override {}
  std::uint64_t Seek(std::int64_t, SeekOrigin) override { return 0; }
  std::uint64_t GetLength() override { return 0; }
  void SetLength(std::uint64_t) override {}
  void Close() override {}
};

// Why ExtractToFile failed, from the damage of the entry or the cause of
// the file error it met.
std::string ExtractFailure(UpdateArchive& archive, int index, const std::string& dest,
                           FileErrorCause cause) {
  DiscardOutput discard;
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
  if (const int usage = ParseOptions(args, &options); usage != kExitOk) return usage;

  FileSystem& files = OperatingSystemFiles();
  UpdateArchive archive(files);
  if (!OpenArchive(options.archive, archive)) return kExitFailure;

  const std::string folder = FolderPath(options.folder);
  if (const FileKind kind = KindOf(folder);
      kind != FileKind::kMissing && kind != FileKind::kFolder) {
    PrintError(DisplayPath(options.folder) + " is not a folder; nothing extracted");
    return kExitFailure;
  }

  bool ok = true;
  const std::vector<int> chosen = ChooseEntries(archive, options, &ok);

  if (!files.Exists(folder)) {
    // Anchor a relative folder at "." so that its first part can be created too.
    const std::string anchored = IsRelativePath(folder) ? JoinBelow(".", folder) : folder;
    if (!CreateParentFolders(files, JoinBelow(anchored, "x")) || !files.Exists(folder)) {
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
      PrintError(Describe(archive, index) + ": refused, " + reason + "; not extracted");
      ok = false;
    } else if (const std::string dest = JoinBelow(folder, name),
               refusal = ExtractionRefusal(files, folder, name, dest, options.archive);
               !refusal.empty()) {
      bar.Clear();
      PrintError(Describe(archive, index) + ": " + refusal + "; not extracted");
      ok = false;
    } else {
      EntryProgress entry_progress{&bar, done, size};
      PercentProgress progress(&ShowEntryProgress, &entry_progress);
      FileErrorCause cause = FileErrorCause::kNone;
      if (!archive.ExtractToFile(dest, name, &progress, &cause)) {
        bar.Clear();
        PrintError(Describe(archive, index) + ": " + ExtractFailure(archive, index, dest, cause));
        ok = false;
      }
    }
    done += size;
    bar.Update(done);
  }
  return ok ? kExitOk : kExitFailure;
}

}  // namespace quintarel::upkit
