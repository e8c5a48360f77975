// The command that makes and reads Start-menu shell links.
#include <windows.h>

#include <shlobj.h>

#include <cstdio>
#include <optional>
#include <string>

#include "tests/gui/driver/commands.h"

// The project's handle owners; the driver is built without the project's
// include folder, hence the path from the source root.
#include "platform/scoped_handle_win.h"

namespace quintarel::gui {

namespace {

// The Start menu's program folder that --common or --user names.
std::string StartMenuPrograms(const Options& options) {
  const int id = options.Has("common") ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
  char folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, id | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                folder))) {
    throw UsageError("the Start menu's program folder cannot be resolved");
  }
  return folder;
}


}  // namespace

// Makes the link --name below a Start-menu folder point at --target, as an
// installer does, or prints where it points now as "target 'T'".
int CommandLink(const Options& options) {
  const ComScope com;
  const std::string path = StartMenuPrograms(options) + "\\" + options.Get("name");
  ComPointer<IShellLinkA> link;
  ComPointer<IPersistFile> file;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.put()))) ||
      FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())))) {
    throw UsageError("no shell link object");
  }
  wchar_t wide[MAX_PATH] = {};
  ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  if (const std::optional<std::string> target = options.Find("target")) {
    const std::size_t folder_end = path.find_last_of('\\');
    ::SHCreateDirectoryExA(nullptr, path.substr(0, folder_end).c_str(), nullptr);
    if (FAILED(link->SetPath(target->c_str())) || FAILED(file->Save(wide, TRUE))) {
      std::fprintf(stderr, "guidriver: cannot save %s\n", path.c_str());
      return kMismatch;
    }
    std::printf("made '%s'\n", Escape(path).c_str());
    return kOk;
  }
  char target[MAX_PATH] = {};
  if (FAILED(file->Load(wide, STGM_READ)) ||
      FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) {
    std::fprintf(stderr, "guidriver: cannot read %s\n", path.c_str());
    return kMismatch;
  }
  std::printf("target '%s'\n", Escape(target).c_str());
  return kOk;
}

}  // namespace quintarel::gui
