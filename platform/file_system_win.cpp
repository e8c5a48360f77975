#include <windows.h>

#include <algorithm>
#include <limits>

#include "package/file_system.h"
#include "package/unfinished_files.h"
#include "platform/file_system_win.h"
#include "platform/name_form_win.h"
#include "platform/scoped_handle_win.h"

namespace quintarel {

namespace {

// Seconds between 1601-01-01 (FILETIME's epoch) and 1970-01-01.
constexpr std::int64_t kEpochDifference = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;

FileErrorCause CauseOf(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS: return FileErrorCause::kNone;
    case ERROR_FILE_NOT_FOUND: return FileErrorCause::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE:
      return FileErrorCause::kBadPath;
    case ERROR_TOO_MANY_OPEN_FILES: return FileErrorCause::kTooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return FileErrorCause::kAccessDenied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return FileErrorCause::kAlreadyExists;
    case ERROR_INVALID_HANDLE: return FileErrorCause::kInvalidFile;
    case ERROR_CURRENT_DIRECTORY: return FileErrorCause::kRemoveCurrentDir;
    case ERROR_CANNOT_MAKE: return FileErrorCause::kDirectoryFull;
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SEEK_ON_DEVICE:
      return FileErrorCause::kBadSeek;
    case ERROR_CRC:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
      return FileErrorCause::kHardIO;
    case ERROR_SHARING_VIOLATION: return FileErrorCause::kSharingViolation;
    case ERROR_LOCK_VIOLATION: return FileErrorCause::kLockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FileErrorCause::kDiskFull;
    case ERROR_HANDLE_EOF: return FileErrorCause::kEndOfFile;
    default: return FileErrorCause::kGeneric;
  }
}

FileErrorCause LastCause() { return CauseOf(::GetLastError()); }

std::int64_t ToSeconds(const FILETIME& time) {
  const std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  if (ticks == 0) return 0;
  return ticks / kTicksPerSecond - kEpochDifference;
}

FILETIME ToFileTime(std::int64_t seconds) {
  const auto ticks = static_cast<std::uint64_t>((seconds + kEpochDifference) * kTicksPerSecond);
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

// A tag that no Windows reparse point has: Wine gives it for its Unix links,
// and it stands for a tag that cannot be read.
constexpr DWORD kUnknownReparseTag = 0;

// The tag of the reparse point at path, from its folder entry as a listing
// sees it; unknown when that entry cannot be found.
DWORD ReparseTagOf(const std::wstring& path) {
  // A wildcard would find another entry; no real name holds one.
  if (path.find_first_of(L"*?") != std::wstring::npos) return kUnknownReparseTag;
  WIN32_FIND_DATAW data;
  const ScopedFindHandle find(::FindFirstFileW(path.c_str(), &data));
  if (!find || (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return kUnknownReparseTag;
  }
  return data.dwReserved0;
}

// ReadFile and WriteFile take 32-bit counts.
constexpr std::size_t kMaxChunk = 1u << 30;

class Win32File final : public File {
 public:
  explicit Win32File(ScopedFileHandle handle) : handle_(std::move(handle)) {}

  FileErrorCause Read(void* buffer, std::size_t count, std::size_t* read) override {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t total = 0;
    while (total < count) {
      DWORD got = 0;
      const auto chunk = static_cast<DWORD>(std::min(count - total, kMaxChunk));
      if (!::ReadFile(handle_.get(), out + total, chunk, &got, nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF) break;
        return CauseOf(error);
      }
      if (got == 0) break;
      total += got;
    }
    *read = total;
    return FileErrorCause::kNone;
  }

  FileErrorCause Write(const void* buffer, std::size_t count) override {
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    while (count > 0) {
      DWORD written = 0;
      const auto chunk = static_cast<DWORD>(std::min(count, kMaxChunk));
      if (!::WriteFile(handle_.get(), in, chunk, &written, nullptr)) return LastCause();
      if (written == 0) return FileErrorCause::kDiskFull;
      in += written;
      count -= written;
    }
    return FileErrorCause::kNone;
  }

  FileErrorCause Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) override {
    DWORD method = FILE_BEGIN;
    if (origin == SeekOrigin::kCurrent) method = FILE_CURRENT;
    if (origin == SeekOrigin::kEnd) method = FILE_END;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER moved;
    if (!::SetFilePointerEx(handle_.get(), distance, &moved, method)) return LastCause();
    *position = static_cast<std::uint64_t>(moved.QuadPart);
    return FileErrorCause::kNone;
  }

  FileErrorCause GetLength(std::uint64_t* length) override {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(handle_.get(), &size)) return LastCause();
    *length = static_cast<std::uint64_t>(size.QuadPart);
    return FileErrorCause::kNone;
  }

  FileErrorCause SetLength(std::uint64_t length) override {
    std::uint64_t position = 0;
    if (auto cause = Seek(0, SeekOrigin::kCurrent, &position); cause != FileErrorCause::kNone) {
      return cause;
    }
    std::uint64_t ignored = 0;
    if (auto cause = Seek(static_cast<std::int64_t>(length), SeekOrigin::kBegin, &ignored);
        cause != FileErrorCause::kNone) {
      return cause;
    }
    if (!::SetEndOfFile(handle_.get())) return LastCause();
    return Seek(static_cast<std::int64_t>(std::min(position, length)), SeekOrigin::kBegin,
                &ignored);
  }

  FileErrorCause Flush() override {
    return ::FlushFileBuffers(handle_.get()) ? FileErrorCause::kNone : LastCause();
  }

  FileErrorCause Close() override {
    if (!handle_) return FileErrorCause::kNone;
    const HANDLE handle = handle_.release();
    return ::CloseHandle(handle) ? FileErrorCause::kNone : LastCause();
  }

 private:
  ScopedFileHandle handle_;
};

std::unique_ptr<File> OpenFile(const std::wstring& path, DWORD access, DWORD disposition,
                               FileErrorCause* cause) {
  ScopedFileHandle handle(::CreateFileW(path.c_str(), access, 0, nullptr, disposition,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) {
    *cause = LastCause();
    return nullptr;
  }
  *cause = FileErrorCause::kNone;
  return std::make_unique<Win32File>(std::move(handle));
}

// Unfinished files are tracked by their exact name, whatever the form that
// created them, so that the removal needs no code page and cannot merge two.
std::string TrackedName(const std::wstring& path) {
  return Utf8FromUtf16(std::u16string(path.begin(), path.end()));
}

// Every name goes through the …W functions, spelt in the form chosen at
// construction.
class Win32FileSystem final : public FileSystem {
 public:
  explicit Win32FileSystem(NameForm form) : form_(form) {}

  std::unique_ptr<File> OpenForRead(const std::string& path, FileErrorCause* cause) override {
    const std::optional<std::wstring> wide = Wide(path);
    if (!wide) return Refuse(cause);
    return OpenFile(*wide, GENERIC_READ, OPEN_EXISTING, cause);
  }

  std::unique_ptr<File> CreateNew(const std::string& path, FileErrorCause* cause) override {
    const std::optional<std::wstring> wide = Wide(path);
    if (!wide) return Refuse(cause);
    // The console control handler removes unfinished files on a thread of
    // its own while this one goes on.
    const UnfinishedFileCreation creation;
    if (!creation.allowed()) {
      *cause = FileErrorCause::kGeneric;
      return nullptr;
    }
    std::unique_ptr<File> file = OpenFile(*wide, GENERIC_WRITE, CREATE_NEW, cause);
    if (file) TrackUnfinishedFile(TrackedName(*wide));
    return file;
  }

  bool Exists(const std::string& path) override {
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
  }

  bool IsLink(const std::string& path) override {
    const std::optional<std::wstring> wide = Wide(path);
    if (!wide) return false;
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      return false;
    }
    return IsLinkReparsePoint(attributes, ReparseTagOf(*wide));
  }

  bool IsReplaceable(const std::string& path) override {
    const std::optional<std::wstring> wide = Wide(path);
    if (!wide) return false;
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return false;
    }
    // The read-only attribute would refuse the open below whatever else
    // holds the file; it goes back as it was.
    const bool read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (read_only) ::SetFileAttributesW(wide->c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    // Without sharing this fails for a file open anywhere, and an image
    // section refuses any open for writing data: a running program or a
    // loaded library.
    const ScopedFileHandle handle(::CreateFileW(wide->c_str(), FILE_WRITE_DATA, 0, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (read_only) ::SetFileAttributesW(wide->c_str(), attributes);
    return static_cast<bool>(handle);
  }

  bool SetArchiveAttributeOnly(const std::string& path) override {
    return SetAttributes(path, FILE_ATTRIBUTE_ARCHIVE);
  }

  bool CreateFolder(const std::string& path) override {
    const std::optional<std::wstring> wide = Wide(path);
    return wide && ::CreateDirectoryW(wide->c_str(), nullptr) != FALSE;
  }

  bool GetTimes(const std::string& path, FileTimes* times) override {
    const std::optional<std::wstring> wide = Wide(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!wide || !::GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data)) return false;
    times->creation = ToSeconds(data.ftCreationTime);
    times->last_write = ToSeconds(data.ftLastWriteTime);
    times->last_access = ToSeconds(data.ftLastAccessTime);
    return true;
  }

  bool SetTimes(const std::string& path, const FileTimes& times) override {
    const std::optional<std::wstring> wide = Wide(path);
    if (!wide) return false;
    ScopedFileHandle handle(::CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return false;
    const FILETIME creation = ToFileTime(times.creation);
    const FILETIME access = ToFileTime(times.last_access);
    const FILETIME write = ToFileTime(times.last_write);
    return ::SetFileTime(handle.get(), times.creation != 0 ? &creation : nullptr,
                         times.last_access != 0 ? &access : nullptr,
                         times.last_write != 0 ? &write : nullptr) != FALSE;
  }

  FileErrorCause RenameReplacing(const std::string& from, const std::string& to) override {
    const std::optional<std::wstring> wide_from = Wide(from);
    const std::optional<std::wstring> wide_to = Wide(to);
    if (!wide_from || !wide_to) return FileErrorCause::kBadPath;
    if (::MoveFileExW(wide_from->c_str(), wide_to->c_str(), MOVEFILE_REPLACE_EXISTING)) {
      ForgetUnfinishedFile(TrackedName(*wide_from));
      return FileErrorCause::kNone;
    }
    return LastCause();
  }

  bool RemoveFile(const std::string& path) override {
    const std::optional<std::wstring> wide = Wide(path);
    if (!wide || !::DeleteFileW(wide->c_str())) return false;
    ForgetUnfinishedFile(TrackedName(*wide));
    return true;
  }

  bool ListFolder(const std::string& folder, std::vector<FolderEntry>* entries) override {
    const std::optional<std::wstring> pattern = Wide(folder + "\\*.*");
    if (!pattern) return false;
    WIN32_FIND_DATAW data;
    ScopedFindHandle find(::FindFirstFileW(pattern->c_str(), &data));
    if (!find) return false;
    std::vector<FolderEntry> found;
    do {
      const std::wstring_view name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::optional<std::string> narrow = NarrowName(form_, name);
      if (!narrow) return false;
      FolderEntry entry;
      entry.name = std::move(*narrow);
      entry.is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      // The finder gives a reparse point's tag in dwReserved0.
      entry.is_link = IsLinkReparsePoint(data.dwFileAttributes, data.dwReserved0);
      found.push_back(std::move(entry));
    } while (::FindNextFileW(find.get(), &data));
    // The finder stops at the end or at an error (a network folder gone, a
    // failing disk): either way, what it gave is the listing, so that the
    // entries already seen are still moved, opened up and searched.
    *entries = std::move(found);
    return true;
  }

  std::uint32_t CopyReplacing(const std::string& from, const std::string& to) override {
    const std::optional<std::wstring> wide_from = Wide(from);
    const std::optional<std::wstring> wide_to = Wide(to);
    if (!wide_from || !wide_to) return ERROR_INVALID_NAME;
    // CopyFileW removes a partly written target itself.
    if (::CopyFileW(wide_from->c_str(), wide_to->c_str(), FALSE)) return ERROR_SUCCESS;
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
  }

  bool SetNormalAttributes(const std::string& path) override {
    return SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
  }

  bool RemoveFolder(const std::string& path) override {
    const std::optional<std::wstring> wide = Wide(path);
    return wide && ::RemoveDirectoryW(wide->c_str()) != FALSE;
  }

 private:
  std::optional<std::wstring> Wide(const std::string& path) const {
    std::optional<std::wstring> wide = WideName(form_, path);
    if (wide) *wide = ExtendedWhenLong(std::move(*wide));
    return wide;
  }

  // A path not spelt in this object's form names no file.
  static std::unique_ptr<File> Refuse(FileErrorCause* cause) {
    *cause = FileErrorCause::kBadPath;
    return nullptr;
  }

  DWORD Attributes(const std::string& path) const {
    const std::optional<std::wstring> wide = Wide(path);
    return wide ? ::GetFileAttributesW(wide->c_str()) : INVALID_FILE_ATTRIBUTES;
  }

  bool SetAttributes(const std::string& path, DWORD attributes) const {
    const std::optional<std::wstring> wide = Wide(path);
    return wide && ::SetFileAttributesW(wide->c_str(), attributes) != FALSE;
  }

  NameForm form_;
};

}  // namespace

bool IsLinkReparsePoint(std::uint32_t attributes, std::uint32_t reparse_tag) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  return reparse_tag == kUnknownReparseTag || IsReparseTagNameSurrogate(reparse_tag);
}

void RemoveUnfinishedFiles() {
  // No allocation here: this runs in a signal handler.
  ForEachUnfinishedFile([](const char* path) {
    char16_t units[kUnfinishedPathCapacity];
    const std::optional<std::size_t> count =
        Utf16FromUtf8(path, units, kUnfinishedPathCapacity - 1);
    if (!count) return;
    wchar_t wide[kUnfinishedPathCapacity];
    std::copy(units, units + *count, wide);
    wide[*count] = L'\0';
    ::DeleteFileW(wide);
  });
}

FileSystem& OperatingSystemFiles(NameForm form) {
  static Win32FileSystem code_page_files(NameForm::kCodePage);
  static Win32FileSystem exact_files(NameForm::kUtf8);
  return form == NameForm::kUtf8 ? exact_files : code_page_files;
}

}  // namespace quintarel
