#include "package/file_writing.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <random>

#include "package/path.h"

namespace quintarel {

bool CreateParentFolders(FileSystem& files, std::string_view path,
                         std::vector<std::string>* created) {
  const std::size_t separator = FindLastSeparator(path);
  if (separator == std::string_view::npos) return false;
  const std::string parent(path.substr(0, separator));
  if (files.Exists(parent)) return true;
  if (!CreateParentFolders(files, parent, created) || !files.CreateFolder(parent)) return false;
  if (created != nullptr) created->push_back(parent);
  return true;
}

namespace {
// A name beside a file: its own name, this mark and eight hexadecimal digits.
constexpr char kBesideMark[] = ".~";
constexpr std::size_t kBesideDigits = 8;
}  // namespace

std::unique_ptr<FileStream> CreateFileBeside(FileSystem& files, const std::string& path,
                                             std::string* created, FileErrorCause* cause) {
  // A clash with a name already there is only likely when someone placed
  // many; a few attempts tell that apart from a folder that refuses files.
  constexpr int kAttempts = 16;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string candidate = NameBeside(path);
    std::unique_ptr<FileStream> file =
        FileStream::Open(files, candidate, FileStream::Mode::kCreateNew, cause);
    if (file) {
      *created = std::move(candidate);
      return file;
    }
    if (*cause != FileErrorCause::kAlreadyExists) return nullptr;
  }
  return nullptr;
}

std::string NameBeside(const std::string& path) {
  std::random_device device;
  const std::uint32_t number = device();
  std::string name = path + kBesideMark;
  for (std::size_t digit = kBesideDigits; digit-- > 0;) {  // the most significant first
    name += "0123456789abcdef"[(number >> (4 * digit)) & 0xF];
  }
  return name;
}

bool IsNameBeside(std::string_view path) {
  constexpr std::size_t kMarkSize = sizeof kBesideMark - 1;
  const std::size_t name_start = FindLastSeparator(path) + 1;  // npos + 1 is 0
  if (path.size() < name_start + 1 + kMarkSize + kBesideDigits) return false;
  const std::string_view tail = path.substr(path.size() - kMarkSize - kBesideDigits);
  return tail.substr(0, kMarkSize) == kBesideMark &&
         std::all_of(tail.begin() + kMarkSize, tail.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

Replacement ReplaceFile(FileSystem& files, const std::string& path,
                        const std::function<bool(Stream&)>& write) {
  std::string temporary;
  Replacement outcome;
  std::unique_ptr<FileStream> file = CreateFileBeside(files, path, &temporary, &outcome.cause);
  if (!file) return outcome;
  bool complete = false;
  try {
    complete = write(*file);
    file->Close();
  } catch (const FileError& error) {
    file.reset();
    files.RemoveFile(temporary);
    if (error.file_name() != temporary) throw;
    outcome.cause = error.cause();
    return outcome;
  }
  file.reset();
  if (complete) outcome.cause = files.RenameReplacing(temporary, path);
  outcome.replaced = complete && outcome.cause == FileErrorCause::kNone;
  if (!outcome.replaced) files.RemoveFile(temporary);
  return outcome;
}

}  // namespace quintarel
