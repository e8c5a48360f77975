// diff: the files that turn one installed program folder into another,
// with the script that ships them and a report of what differs.

#include <cstdio>

#include "package/file_writing.h"
#include "package/path.h"
#include "tools/upkit/command_options.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/diff_outputs.h"
#include "tools/upkit/file_kind.h"
#include "tools/upkit/folder_diff.h"
#include "tools/upkit/program_version.h"
#include "tools/upkit/source_file.h"
#include "tools/upkit/terminal.h"

namespace quintarel::upkit {

namespace {

constexpr std::size_t kCopyChunk = 64 * 1024;
// Far more folders above DIR than any real path has; the walk up ends at
// the root of the file system long before.
constexpr int kMaxFoldersAbove = 1024;
constexpr std::string_view kCurrentFolder = ".";

// Whether folder is root or lies below it, however either is spelt (links,
// "..", letter case): the nearest existing folder at or above folder is
// compared with root and with each folder above it.
bool IsInside(FileSystem& files, const std::string& folder, const std::string& root) {
  std::string at = folder;
  while (!files.Exists(at)) {
    std::string parent = TypedFolderOf(at);
    if (parent.empty() || parent == at) {
      at = std::string(kCurrentFolder);
      break;
    }
    at = std::move(parent);
  }
  for (int depth = 0; depth < kMaxFoldersAbove; ++depth) {
    if (IsSameFile(at, root)) return true;
    const std::string up = JoinPath(at, "..");
    if (IsSameFile(up, at)) return false;
    at = up;
  }
  return false;
}

// Why the two folders cannot be compared, or "".
std::string RefusedFolder(const std::string& typed, std::string_view role) {
  switch (KindOf(TypedFolderPath(typed))) {
    case FileKind::kFolder: return std::string();
    case FileKind::kMissing: return std::string(role) + " " + DisplayPath(typed) + " was not found";
    case FileKind::kFile:
    case FileKind::kOther:
      break;
  }
  return std::string(role) + " " + DisplayPath(typed) + " is not a folder";
}

// Why DIR cannot take the output, or "": it lies in OLD or NEW, is not a
// folder, or holds something already (a previous diff is never replaced).
std::string RefusedOutput(FileSystem& files, const DiffOptions& options) {
  const std::string out = TypedFolderPath(options.out);
  for (const std::string* root : {&options.old_folder, &options.new_folder}) {
    if (IsInside(files, out, TypedFolderPath(*root))) {
      return DisplayPath(options.out) + " is inside " + DisplayPath(*root) +
             ", where the output would become part of what is compared";
    }
  }
  switch (KindOf(out)) {
    case FileKind::kMissing: return std::string();
    case FileKind::kFile:
    case FileKind::kOther: return DisplayPath(options.out) + " is not a folder";
    case FileKind::kFolder: break;
  }
  std::vector<FolderEntry> entries;
  if (!files.ListFolder(out, &entries)) return DisplayPath(options.out) + " could not be listed";
  if (!entries.empty()) {
    return DisplayPath(options.out) + " is not empty; diff writes only into a new or empty folder";
  }
  return std::string();
}

// The program's version number in the folder at root, or nothing after
// printing why there is none.
std::optional<std::int32_t> ReadVersionNumber(FileSystem& files, const std::string& root,
                                              const std::string& program) {
  const std::string path = JoinPath(root, program);
  SourceFile file;
  std::string error;
  if (!ReadSourceFile(files, path, &file, &error)) {
    PrintError("--program: " + error);
    return std::nullopt;
  }
  const std::optional<std::int32_t> number = ScanVersionNumber(file.bytes);
  if (!number) PrintError("--program: " + DisplayPath(path) + " has no version resource");
  return number;
}

FileErrorCause CopyFile(FileSystem& files, const std::string& from, const std::string& to) {
  FileErrorCause open_cause = FileErrorCause::kNone;
  const Replacement replacement = ReplaceFile(files, to, [&](Stream& out) {
    const std::unique_ptr<FileStream> in =
        FileStream::Open(files, from, FileStream::Mode::kRead, &open_cause);
    if (!in) return false;
    std::vector<char> buffer(kCopyChunk);
    while (const std::size_t got = in->Read(buffer.data(), buffer.size())) {
      out.Write(buffer.data(), got);
    }
    in->Close();
    return true;
  });
  return replacement.replaced ? FileErrorCause::kNone
         : open_cause != FileErrorCause::kNone ? open_cause
                                                : replacement.cause;
}

bool WriteText(FileSystem& files, const std::string& path, const std::string& text) {
  const Replacement replacement = ReplaceFile(files, path, [&](Stream& out) {
    out.Write(text.data(), text.size());
    return true;
  });
  if (!replacement.replaced) PrintError(FormatFileError(replacement.cause, DisplayPath(path)));
  return replacement.replaced;
}

// Writes the files to ship, the script and the report below out; false
// after printing the first failure.
bool WriteOutput(FileSystem& files, const std::string& new_root, const std::string& out,
                 const FolderDiff& diff, const std::string& script, const std::string& report) {
  const std::string anchored = IsAbsolutePath(out) ? out : JoinPath(".", out);
  if (!CreateParentFolders(files, JoinPath(anchored, "x")) || !files.Exists(out)) {
    PrintError("could not create the folder " + DisplayPath(out));
    return false;
  }
  for (const auto* list : {&diff.added, &diff.changed}) {
    for (const FileChange& file : *list) {
      const std::string dest = JoinPath(out, file.name);
      if (!CreateParentFolders(files, dest)) {
        PrintError("could not create the folder " + DisplayPath(FolderOf(dest)));
        return false;
      }
      try {
        if (const FileErrorCause cause = CopyFile(files, JoinPath(new_root, file.name), dest);
            cause != FileErrorCause::kNone) {
          PrintError(FormatFileError(cause, DisplayPath(dest)));
          return false;
        }
      } catch (const FileError& error) {
        PrintError(FormatFileError(error.cause(), DisplayPath(error.file_name())));
        return false;
      }
    }
  }
  return WriteText(files, JoinPath(out, kDiffScriptName), script) &&
         WriteText(files, JoinPath(out, kDiffReportName), report);
}

}  // namespace

int RunDiff(const Arguments& args) {
  DiffOptions options;
  if (const std::string usage = ParseDiffOptions(args, &options); !usage.empty()) {
    return UsageError(usage);
  }
  for (const auto& [typed, role] : {std::pair{&options.old_folder, "OLD"},
                                    std::pair{&options.new_folder, "NEW"}}) {
    if (const std::string reason = RefusedFolder(*typed, role); !reason.empty()) {
      PrintError(reason);
      return kExitFailure;
    }
  }
  // One folder under two names would be opened twice at once, which
  // Windows refuses.
  if (IsSameFile(TypedFolderPath(options.old_folder), TypedFolderPath(options.new_folder))) {
    PrintError(DisplayPath(options.old_folder) + " and " + DisplayPath(options.new_folder) +
               " are the same folder; there is nothing to ship");
    return kExitFailure;
  }
  if (const std::string reason = RefusedOutput(OperatingSystemFiles(), options); !reason.empty()) {
    PrintError(reason + "; nothing written");
    return kExitFailure;
  }

  // Listings in the exact form spell every name the same on every system,
  // so the report of one pair of folders is the same everywhere.
  FileSystem& files = OperatingSystemFiles(NameForm::kUtf8);
  const std::optional<std::string> old_root = ExactFormOf(TypedFolderPath(options.old_folder));
  const std::optional<std::string> new_root = ExactFormOf(TypedFolderPath(options.new_folder));
  const std::optional<std::string> out = ExactFormOf(TypedFolderPath(options.out));
  if (!old_root || !new_root || !out) {
    PrintError("a folder's name cannot be read in this system's code page; nothing written");
    return kExitFailure;
  }
  const DiffOutcome outcome = CompareFolders(files, *old_root, *new_root, NotAFileReason);
  for (const std::string& problem : outcome.problems) PrintError(problem);
  if (!outcome.problems.empty()) {
    PrintError("the folders cannot be compared as they are; nothing written");
    return kExitFailure;
  }
  const FolderDiff& diff = outcome.diff;
  if (diff.added.empty() && diff.changed.empty()) {
    PrintError(DisplayPath(options.new_folder) + " holds no file that is new or changed from " +
               DisplayPath(options.old_folder) + "; there is nothing to ship" +
               (diff.removed.empty() ? "" : " (an update archive cannot delete a file)"));
    return kExitFailure;
  }
  bool names_ok = true;
  for (const auto* list : {&diff.added, &diff.changed}) {
    for (const FileChange& file : *list) {
      if (const std::string problem = ArchiveNameProblem(file.name); !problem.empty()) {
        PrintError(DisplayPath(JoinPath(options.new_folder, file.name)) + ": " + problem);
        names_ok = false;
      }
    }
  }
  if (!names_ok) {
    PrintError("rename the files above, or ship them by hand; nothing written");
    return kExitFailure;
  }

  std::optional<ProgramVersions> program;
  if (!options.program.empty()) {
    const std::optional<std::int32_t> old_number =
        ReadVersionNumber(files, *old_root, options.program);
    const std::optional<std::int32_t> new_number =
        ReadVersionNumber(files, *new_root, options.program);
    if (!old_number || !new_number) return kExitFailure;
    program = ProgramVersions{options.program, *old_number, *new_number};
    if (*new_number <= *old_number) {
      PrintError("warning: --program " + options.program + " is version " +
                 VersionCheckText(*new_number) + " in NEW, not above OLD's " +
                 VersionCheckText(*old_number) + "; the version check needs a look");
    }
  }

  const std::string report = DiffReportText(diff);
  if (!WriteOutput(files, *new_root, *out, diff, DiffScriptText(diff, program), report)) {
    PrintError(DisplayPath(options.out) + " is incomplete; remove it before diff runs again");
    return kExitFailure;
  }
  MakeStdoutBinary();
  std::fputs(report.c_str(), stdout);
  return kExitOk;
}

}  // namespace quintarel::upkit
