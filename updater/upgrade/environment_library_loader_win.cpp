#include <windows.h>

#include "envlib/kestrune_exports_win.h"
#include "updater/upgrade/environment_library_loader.h"

namespace quintarel {

namespace {

class Win32LibraryLoader final : public EnvironmentLibraryLoader {
 public:
  std::optional<bool> CallDoIt(const std::string& library_path, const std::string& root) override {
    // Never freed: the library may keep state or threads for the rest of the
    // run, and nothing later needs the memory back.
    const HMODULE library = ::LoadLibraryA(library_path.c_str());
    if (library == nullptr) return std::nullopt;
    const EnvironmentExport do_it = EnvironmentExportOf(library, kDoItExport);
    if (do_it == nullptr) return std::nullopt;
    return do_it(root.c_str()) != 0;
  }
};

}  // namespace

EnvironmentLibraryLoader& OperatingSystemLibraryLoader() {
  static Win32LibraryLoader loader;
  return loader;
}

}  // namespace quintarel
