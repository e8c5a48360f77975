#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include "platform/scoped_handle_win.h"
#include "platform/shell.h"

namespace quintarel {

namespace {

// FindExecutableA reports failure with a value of 32 or below.
constexpr INT_PTR kLastFindExecutableError = 32;
// GetTempFileNameA names its file "<prefix>XXXX.tmp".
constexpr char kProbePrefix[] = "hint";
constexpr std::size_t kTemporaryExtensionLength = 3;

// A file that this code created, removed when the owner goes away, so that
// no probe is left in the user's temporary folder.
class CreatedFile {
 public:
  explicit CreatedFile(std::string path) : path_(std::move(path)) {}
  ~CreatedFile() { ::DeleteFileA(path_.c_str()); }
  CreatedFile(const CreatedFile&) = delete;
  CreatedFile& operator=(const CreatedFile&) = delete;

  const std::string& path() const { return path_; }
  // Renames the file; on failure it stays under its old name (and is removed
  // under that name).
  bool MoveTo(const std::string& path) {
    if (!::MoveFileA(path_.c_str(), path.c_str())) return false;
    path_ = path;
    return true;
  }

 private:
  std::string path_;
};

// An extension names a file type, never a place: anything that would make the
// probe name point elsewhere is refused.
bool IsPlainExtension(const std::string& extension) {
  return !extension.empty() && extension.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

// Selects the preselection (a std::string passed as data) once the browser
// is ready. An unparsable path selects nothing.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message != BFFM_INITIALIZED) return 0;
  const auto& preselection = *reinterpret_cast<const std::string*>(data);
  if (preselection.empty()) return 0;
  wchar_t wide[MAX_PATH] = {};
  if (::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, preselection.c_str(), -1, wide, MAX_PATH) == 0) {
    return 0;
  }
  ComPointer<IShellFolder> desktop;
  if (FAILED(::SHGetDesktopFolder(desktop.put()))) return 0;
  ScopedItemList item;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, item.put(), nullptr)) ||
      !item) {
    return 0;
  }
  ::SendMessageA(window, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(item.get()));
  return 0;
}

class Win32Shell final : public Shell {
 public:
  std::optional<std::string> FindAssociatedProgram(const std::string& extension) override {
    if (!IsPlainExtension(extension)) return std::nullopt;
    char folder[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    char name[MAX_PATH] = {};
    if (::GetTempFileNameA(folder, kProbePrefix, 0, name) == 0) return std::nullopt;
    CreatedFile probe(name);
    const std::string& temporary = probe.path();
    // MoveFileA never replaces a file, so a name that exists already is left
    // alone and the lookup yields nothing.
    if (!probe.MoveTo(temporary.substr(0, temporary.size() - kTemporaryExtensionLength) +
                      extension)) {
      return std::nullopt;
    }
    char program[MAX_PATH] = {};
    const auto result = reinterpret_cast<INT_PTR>(
        ::FindExecutableA(probe.path().c_str(), nullptr, program));
    if (result <= kLastFindExecutableError || program[0] == '\0') return std::nullopt;
    return std::string(program);
  }

  std::optional<std::string> BrowseForFolder(const std::string& title,
                                             const std::string& preselection) override {
    // The browser is built on the shell's COM objects.
    const ComScope com;
    char display_name[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = nullptr;
    info.pidlRoot = nullptr;
    info.pszDisplayName = display_name;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&preselection);
    const ScopedItemList chosen(::SHBrowseForFolderA(&info));
    if (!chosen) return std::nullopt;
    char path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListA(chosen.get(), path)) return std::nullopt;
    return std::string(path);
  }
};

}  // namespace

Shell& OperatingSystemShell() {
  static Win32Shell shell;
  return shell;
}

}  // namespace quintarel
