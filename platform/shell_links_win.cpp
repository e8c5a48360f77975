#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "platform/scoped_handle_win.h"
#include "platform/shell_links.h"

namespace quintarel {

namespace {

// A link object with its file interface, loaded from a link file.
struct LoadedLink {
  ComPointer<IShellLinkA> link;
  ComPointer<IPersistFile> file;
  std::wstring wide_path;
};

// The path in UTF-16 through the ANSI code page; empty when it does not fit
// a path buffer.
std::wstring WidePath(const std::string& path) {
  wchar_t wide[MAX_PATH] = {};
  if (::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0) return {};
  return wide;
}

bool Load(const std::string& link_path, DWORD mode, LoadedLink* loaded) {
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(loaded->link.put())))) {
    return false;
  }
  if (FAILED(loaded->link->QueryInterface(IID_IPersistFile,
                                          reinterpret_cast<void**>(loaded->file.put())))) {
    return false;
  }
  loaded->wide_path = WidePath(link_path);
  return !loaded->wide_path.empty() && SUCCEEDED(loaded->file->Load(loaded->wide_path.c_str(), mode));
}

class Win32ShellLinks final : public ShellLinks {
 public:
  bool BeginSession() override { return SUCCEEDED(::CoInitialize(nullptr)); }
  void EndSession() override { ::CoUninitialize(); }

  std::optional<std::string> ReadTarget(const std::string& link_path) override {
    LoadedLink loaded;
    if (!Load(link_path, STGM_READ, &loaded)) return std::nullopt;
    char target[MAX_PATH] = {};
    if (FAILED(loaded.link->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) {
      return std::nullopt;
    }
    return std::string(target);
  }

  bool SetTarget(const std::string& link_path, const std::string& target) override {
    LoadedLink loaded;
    return Load(link_path, STGM_READ, &loaded) && SUCCEEDED(loaded.link->SetPath(target.c_str())) &&
           SUCCEEDED(loaded.file->Save(loaded.wide_path.c_str(), TRUE));
  }

  std::optional<std::string> ShortPath(const std::string& path) override {
    char short_path[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameA(path.c_str(), short_path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    return std::string(short_path, length);
  }
};

}  // namespace

ShellLinks& OperatingSystemShellLinks() {
  static Win32ShellLinks links;
  return links;
}

}  // namespace quintarel
