#include <windows.h>
#include <shlobj.h>

#include "platform/name_form_win.h"
#include "platform/scoped_handle_win.h"
#include "platform/shell_folders.h"

namespace quintarel {

namespace {

class Win32ShellFolders final : public ShellFolders {
 public:
  explicit Win32ShellFolders(NameForm form) : form_(form) {}

  std::optional<std::string> CommonApplicationData() override {
    // Looked up at run time: shells before version 5 lack the function, and
    // the library must still load there.
    ScopedModule shell(::LoadLibraryA("shell32.dll"));
    if (!shell) return std::nullopt;
    const auto get_folder_path =
        GetFunction<decltype(&::SHGetFolderPathW)>(shell.get(), "SHGetFolderPathW");
    if (get_folder_path == nullptr) return std::nullopt;
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(get_folder_path(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                               folder))) {
      return std::nullopt;
    }
    return NarrowName(form_, folder);
  }

  std::optional<std::string> CommonPrograms() override { return Resolve(CSIDL_COMMON_PROGRAMS); }
  std::optional<std::string> UserPrograms() override { return Resolve(CSIDL_PROGRAMS); }

 private:
  // Through an item list, which every shell version offers.
  std::optional<std::string> Resolve(int id) const {
    if (ShellAllocator() == nullptr) return std::nullopt;
    ScopedItemList items;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, id, items.put())) || !items) {
      return std::nullopt;
    }
    wchar_t folder[MAX_PATH] = {};
    if (!::SHGetPathFromIDListW(items.get(), folder)) return std::nullopt;
    return NarrowName(form_, folder);
  }

  NameForm form_;
};

}  // namespace

ShellFolders& OperatingSystemShellFolders(NameForm form) {
  static Win32ShellFolders code_page_folders(NameForm::kCodePage);
  static Win32ShellFolders exact_folders(NameForm::kUtf8);
  return form == NameForm::kUtf8 ? exact_folders : code_page_folders;
}

}  // namespace quintarel
