#include <windows.h>

#include <algorithm>

#include "platform/name_form_win.h"
#include "platform/scoped_handle_win.h"
#include "tools/upkit/file_kind.h"

namespace quintarel::upkit {

namespace {

// Opens path for queries only (no read or write access, every kind of
// sharing), which neither blocks on a pipe nor disturbs another user.
ScopedFileHandle OpenForQuery(const std::string& path) {
  return ScopedFileHandle(::CreateFileA(path.c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr));
}

}  // namespace

FileKind KindOf(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kMissing;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::kFolder;
  // Device names such as NUL or COM1 have attributes too; only the handle
  // tells them from files.
  const ScopedFileHandle handle = OpenForQuery(path);
  if (!handle) return FileKind::kMissing;
  return ::GetFileType(handle.get()) == FILE_TYPE_DISK ? FileKind::kFile : FileKind::kOther;
}

bool IsSameFile(const std::string& a, const std::string& b) {
  const ScopedFileHandle first = OpenForQuery(a);
  const ScopedFileHandle second = OpenForQuery(b);
  BY_HANDLE_FILE_INFORMATION first_info;
  BY_HANDLE_FILE_INFORMATION second_info;
  return first && second && ::GetFileInformationByHandle(first.get(), &first_info) &&
         ::GetFileInformationByHandle(second.get(), &second_info) &&
         first_info.dwVolumeSerialNumber == second_info.dwVolumeSerialNumber &&
         first_info.nFileIndexHigh == second_info.nFileIndexHigh &&
         first_info.nFileIndexLow == second_info.nFileIndexLow;
}

std::string DisplayPath(std::string_view path) {
  std::string native(path);
  std::replace(native.begin(), native.end(), '/', '\\');
  return native;
}

std::optional<std::string> ExactFormOf(const std::string& path) {
  return ConvertName(path, NameForm::kCodePage, NameForm::kUtf8);
}

}  // namespace quintarel::upkit
