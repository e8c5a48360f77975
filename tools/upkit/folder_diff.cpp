#include "tools/upkit/folder_diff.h"

#include <algorithm>
#include <map>
#include <memory>

#include "package/file_stream.h"
#include "package/path.h"
#include "package/script_values.h"
#include "package/text.h"
#include "package/update_archive.h"
#include "tools/upkit/file_kind.h"
#include "tools/upkit/names.h"

namespace quintarel::upkit {

namespace {

constexpr std::size_t kCompareChunk = 64 * 1024;
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastPrintable = 0x7E;
constexpr std::string_view kForbiddenInFileNames = "<>:\"|?*";
constexpr std::string_view kDeviceNames[] = {"con", "prn", "aux", "nul"};
constexpr std::string_view kNumberedDeviceNames[] = {"com", "lpt"};

// The files and folders below a root, keyed by the name with ASCII letters
// in lower case; the value is the name as spelt.
struct FolderTree {
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> folders;
};

std::string Quoted(std::string_view name) {
  std::string quoted(1, '\'');
  quoted += PrintableName(name);
  return quoted + "'";
}

void ScanTree(FileSystem& files, const std::string& root, const NotAFileCheck& not_a_file,
              FolderTree* tree, std::vector<std::string>* problems) {
  std::vector<std::string> pending{std::string()};
  while (!pending.empty()) {
    const std::string relative = std::move(pending.back());
    pending.pop_back();
    const std::string folder = relative.empty() ? root : JoinPath(root, relative);
    std::vector<FolderEntry> entries;
    if (!files.ListFolder(folder, &entries)) {
      problems->push_back(DisplayPath(folder) + " could not be listed");
      continue;
    }
    // Sorted, so that the walk and its messages come in the same order on
    // every system; folders are pushed in reverse to be taken in order.
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name > b.name; });
    std::map<std::string, std::string> seen;
    for (const FolderEntry& entry : entries) {
      const std::string path = DisplayPath(JoinPath(folder, entry.name));
      if (entry.name.find_first_of("\\/") != std::string::npos) {
        problems->push_back(path + ": the name holds '\\', which Windows and the archive "
                                   "read as a folder separator");
        continue;
      }
      const auto [other, fresh] = seen.try_emplace(AsciiLowercase(entry.name), entry.name);
      if (!fresh) {
        problems->push_back(path + " and " + Quoted(other->second) +
                            " differ only in letter case; Windows and the archive take them "
                            "for one file");
        continue;
      }
      if (entry.is_link) {
        problems->push_back(path + " is a link; diff does not follow links (put what it "
                                   "points at in its place, or remove it)");
        continue;
      }
      const std::string name = relative.empty() ? entry.name : relative + "\\" + entry.name;
      if (entry.is_folder) {
        tree->folders.emplace(AsciiLowercase(name), name);
        pending.push_back(name);
      } else if (std::string reason = not_a_file(JoinPath(folder, entry.name));
                 !reason.empty()) {
        problems->push_back(std::move(reason));
      } else {
        tree->files.emplace(AsciiLowercase(name), name);
      }
    }
  }
}

std::unique_ptr<FileStream> OpenFile(FileSystem& files, const std::string& path,
                                     std::string* error) {
  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<FileStream> stream =
      FileStream::Open(files, path, FileStream::Mode::kRead, &cause);
  if (!stream) *error = FormatFileError(cause, DisplayPath(path));
  return stream;
}

bool SizeOf(FileSystem& files, const std::string& path, std::uint64_t* size, std::string* error) {
  try {
    const std::unique_ptr<FileStream> stream = OpenFile(files, path, error);
    if (!stream) return false;
    *size = stream->GetLength();
    stream->Close();
    return true;
  } catch (const FileError& failure) {
    *error = FormatFileError(failure.cause(), DisplayPath(path));
    return false;
  }
}

// Compares the bytes of the files at a and b, filling in both sizes; false
// with *error when either cannot be read.
bool CompareBytes(FileSystem& files, const std::string& a, const std::string& b, FileChange* change,
                  bool* same, std::string* error) {
  try {
    const std::unique_ptr<FileStream> first = OpenFile(files, a, error);
    if (!first) return false;
    const std::unique_ptr<FileStream> second = OpenFile(files, b, error);
    if (!second) return false;
    change->old_size = first->GetLength();
    change->new_size = second->GetLength();
    *same = change->old_size == change->new_size;
    std::vector<char> left(kCompareChunk);
    std::vector<char> right(kCompareChunk);
    while (*same) {
      const std::size_t got = ReadFully(*first, left.data(), left.size());
      const std::size_t other = ReadFully(*second, right.data(), right.size());
      *same = got == other && std::equal(left.begin(), left.begin() + static_cast<std::ptrdiff_t>(got),
                                         right.begin());
      if (got == 0) break;
    }
    first->Close();
    second->Close();
    return true;
  } catch (const FileError& failure) {
    *error = FormatFileError(failure.cause(), DisplayPath(failure.file_name()));
    return false;
  }
}

bool IsDeviceName(std::string_view part) {
  const std::string stem = AsciiLowercase(TrimWhitespace(part.substr(0, part.find('.'))));
  if (std::find(std::begin(kDeviceNames), std::end(kDeviceNames), stem) != std::end(kDeviceNames)) {
    return true;
  }
  return stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9' &&
         std::find(std::begin(kNumberedDeviceNames), std::end(kNumberedDeviceNames),
                   std::string_view(stem).substr(0, 3)) != std::end(kNumberedDeviceNames);
}

std::string PartProblem(std::string_view part) {
  if (part.back() == '.' || part.back() == ' ') {
    return "the part " + Quoted(part) + " ends with '" + part.back() +
           "', which Windows drops from file names";
  }
  if (IsDeviceName(part)) return "the part " + Quoted(part) + " is a Windows device name";
  return std::string();
}

}  // namespace

DiffOutcome CompareFolders(FileSystem& files, const std::string& old_root,
                           const std::string& new_root, const NotAFileCheck& not_a_file) {
  DiffOutcome outcome;
  FolderTree old_tree;
  FolderTree new_tree;
  ScanTree(files, old_root, not_a_file, &old_tree, &outcome.problems);
  ScanTree(files, new_root, not_a_file, &new_tree, &outcome.problems);
  if (!outcome.problems.empty()) return outcome;

  const auto on_side = [](const std::string& root, const std::string& name) {
    return DisplayPath(JoinPath(root, name));
  };
  for (const auto& [key, name] : new_tree.folders) {
    if (const auto file = old_tree.files.find(key); file != old_tree.files.end()) {
      outcome.problems.push_back(on_side(old_root, file->second) + " is a file but " +
                                 on_side(new_root, name) +
                                 " a folder; the updater cannot put a folder in a file's place");
    }
  }
  FolderDiff& diff = outcome.diff;
  for (const auto& [key, name] : new_tree.files) {
    const std::string new_path = JoinPath(new_root, name);
    FileChange change{name, 0, 0};
    std::string error;
    if (const auto folder = old_tree.folders.find(key); folder != old_tree.folders.end()) {
      outcome.problems.push_back(on_side(old_root, folder->second) + " is a folder but " +
                                 on_side(new_root, name) +
                                 " a file; the updater cannot write a file over a folder");
    } else if (const auto old = old_tree.files.find(key); old == old_tree.files.end()) {
      if (SizeOf(files, new_path, &change.new_size, &error)) {
        diff.added.push_back(change);
      } else {
        outcome.problems.push_back(error);
      }
    } else {
      bool same = false;
      if (!CompareBytes(files, JoinPath(old_root, old->second), new_path, &change, &same, &error)) {
        outcome.problems.push_back(error);
      } else if (same) {
        ++diff.unchanged;
      } else {
        diff.changed.push_back(change);
      }
    }
  }
  for (const auto& [key, name] : old_tree.files) {
    if (new_tree.files.count(key) != 0 || new_tree.folders.count(key) != 0) continue;
    FileChange change{name, 0, 0};
    std::string error;
    if (SizeOf(files, JoinPath(old_root, name), &change.old_size, &error)) {
      diff.removed.push_back(change);
    } else {
      outcome.problems.push_back(error);
    }
  }
  return outcome;
}

std::string ArchiveNameProblem(std::string_view name) {
  if (name.size() > archive_format::kMaxNameLength) {
    return "the path is " + std::to_string(name.size()) + " bytes, an entry name holds at most " +
           std::to_string(archive_format::kMaxNameLength);
  }
  if (std::any_of(name.begin(), name.end(),
                  [](char c) {
                    const auto byte = static_cast<unsigned char>(c);
                    return byte < kFirstPrintable || byte > kLastPrintable;
                  })) {
    return "the path holds bytes beyond printable ASCII, which entry names (read in the "
           "Japanese code page) cannot be relied on to spell alike on every system";
  }
  if (std::string reason = UnsafeNameReason(name); !reason.empty()) return reason;
  if (const std::size_t bad = name.find_first_of(kForbiddenInFileNames); bad != std::string::npos) {
    return std::string("the path holds '") + name[bad] + "', which Windows file names cannot";
  }
  if (name.find('=') != std::string_view::npos) {
    return "the path holds '=', which splits a copyfiles line";
  }
  if (name.front() == ';' || name.front() == '[' || name.front() == ' ') {
    return std::string("the path begins with '") + name.front() +
           "', which the script reads as a comment, a section or a space to trim";
  }
  for (std::size_t start = 0;;) {
    const std::size_t end = name.find('\\', start);
    const std::string_view part = name.substr(start, end - start);
    if (std::string problem = PartProblem(part); !problem.empty()) return problem;
    if (start == 0 && (EqualsIgnoringAsciiCase(part, kDiffScriptName) ||
                       EqualsIgnoringAsciiCase(part, kDiffReportName))) {
      return "diff writes its own " + std::string(part) + " at the top of DIR";
    }
    if (end == std::string_view::npos) return std::string();
    start = end + 1;
  }
}

}  // namespace quintarel::upkit
