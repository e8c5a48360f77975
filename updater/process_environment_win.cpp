#include "updater/process_environment_win.h"

#include <windows.h>

#include "package/text.h"

namespace quintarel {

namespace {

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::FindClose(handle); }
};
using ScopedFindHandle = ScopedHandle<FindHandleTraits>;

}  // namespace

Win32ProcessEnvironment::~Win32ProcessEnvironment() {
  if (mutex_) ::ReleaseMutex(mutex_.get());
}

bool Win32ProcessEnvironment::InstanceMutexExists(const std::string& name) {
  ScopedKernelHandle existing(::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str()));
  return existing.is_valid();
}

void Win32ProcessEnvironment::CreateInstanceMutex(const std::string& name) {
  mutex_.reset(::CreateMutexA(nullptr, FALSE, name.c_str()));
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

  // The match's folder is the pattern's folder part made absolute.
  const std::size_t separator = FindLastSeparator(pattern);
  const std::string folder = separator == std::string::npos ? "." : pattern.substr(0, separator + 1);
  char full[MAX_PATH] = {};
  const DWORD length = ::GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  std::string path(full, length);
  if (path.back() != '\\') path += '\\';
  return path + found.cFileName;
}

bool Win32ProcessEnvironment::SetCurrentFolder(const std::string& path) {
  return ::SetCurrentDirectoryA(path.c_str()) != FALSE;
}

std::string Win32ProcessEnvironment::LoadText(int id) {
  char text[1024] = {};
  const int length =
      ::LoadStringA(::GetModuleHandleA(nullptr), static_cast<UINT>(id), text, sizeof text);
  return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

int Win32ProcessEnvironment::CountryCode() {
  return static_cast<int>(::GetProfileIntA("intl", "iCountry", 0));
}

}  // namespace quintarel
