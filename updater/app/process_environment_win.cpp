#include "updater/app/process_environment_win.h"

#include <windows.h>

#include "package/path.h"

namespace quintarel {

bool Win32ProcessEnvironment::ClaimInstance(const std::string& name) {
  // Never owned, only held open: the name alone marks the running copy.
  ScopedKernelHandle mutex(::CreateMutexA(nullptr, FALSE, name.c_str()));
  const DWORD error = ::GetLastError();
  // A mutex made by another user's copy may refuse this user any access.
  if (error == ERROR_ALREADY_EXISTS || (!mutex && error == ERROR_ACCESS_DENIED)) return false;
  mutex_ = std::move(mutex);
  return true;
}

std::string Win32ProcessEnvironment::ProgramPath() {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : MAX_PATH - 1);
}

std::optional<std::string> Win32ProcessEnvironment::FindFirstMatch(const std::string& pattern) {
  WIN32_FIND_DATAA found;
  ScopedFindHandle find(::FindFirstFileA(pattern.c_str(), &found));
  if (!find) return std::nullopt;

  // The whole pattern made absolute, so that "C:/dl/x.dat" and "C:x.dat"
  // (relative to C:'s current folder) resolve as the system resolved them;
  // then the pattern's file part gives way to the name found.
  char full[MAX_PATH] = {};
  const DWORD length = ::GetFullPathNameA(pattern.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  const std::string path(full, length);
  const std::string folder = TypedFolderOf(path);
  if (folder.empty()) return std::nullopt;
  return JoinPath(folder, found.cFileName);
}

bool Win32ProcessEnvironment::SetCurrentFolder(const std::string& path) {
  return ::SetCurrentDirectoryA(path.c_str()) != FALSE;
}

}  // namespace quintarel
