#include <windows.h>
#include <shlobj.h>

#include "platform/scoped_handle_win.h"
#include "platform/shell_folders.h"

namespace quintarel {

namespace {

class Win32ShellFolders final : public ShellFolders {
 public:
  std::optional<std::string> CommonApplicationData() override {
    // Looked up at run time: shells before version 5 lack the function, and
    // the library must still load there.
    ScopedModule shell(::LoadLibraryA("shell32.dll"));
    if (!shell) return std::nullopt;
    const auto get_folder_path =
        GetFunction<decltype(&::SHGetFolderPathA)>(shell.get(), "SHGetFolderPathA");
    if (get_folder_path == nullptr) return std::nullopt;
    char folder[MAX_PATH] = {};
    if (FAILED(get_folder_path(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                               folder))) {
      return std::nullopt;
    }
    return std::string(folder);
  }

  std::optional<std::string> CommonPrograms() override { return Resolve(CSIDL_COMMON_PROGRAMS); }
  std::optional<std::string> UserPrograms() override { return Resolve(CSIDL_PROGRAMS); }

 private:
  // Through an item list, which every shell version offers.
  static std::optional<std::string> Resolve(int id) {
    if (ShellAllocator() == nullptr) return std::nullopt;
    ScopedItemList items;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, id, items.put())) || !items) {
      return std::nullopt;
    }
    char folder[MAX_PATH] = {};
    if (!::SHGetPathFromIDListA(items.get(), folder)) return std::nullopt;
    return std::string(folder);
  }
};

}  // namespace

ShellFolders& OperatingSystemShellFolders() {
  static Win32ShellFolders folders;
  return folders;
}

}  // namespace quintarel
