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

class Win32LoggingLibraryLoader final : public EnvironmentLibraryLoader {
 public:
  explicit Win32LoggingLibraryLoader(std::function<void(const std::string&)> log) : log_(std::move(log)) {}

  std::optional<bool> CallDoIt(const std::string& library_path, const std::string& root) override {
    const HMODULE library = ::LoadLibraryA(library_path.c_str());
    if (library == nullptr) return std::nullopt;
    const LoggedEnvironmentExport do_it = LoggedEnvironmentExportOf(library, kDoItLoggedExport);
    if (do_it == nullptr) return std::nullopt;
    return do_it(root.c_str(), &Forward, this) != FALSE;
  }

 private:
  static void WINAPI Forward(void* context, const char* text) {
    std::string line = "environment library: ";
    for (const char* c = text; *c != '\0'; ++c) {
      if (*c == '\n') line += ' ';
      if (*c != '\r' && *c != '\n') line += *c;
    }
    static_cast<Win32LoggingLibraryLoader*>(context)->log_(line);
  }

  std::function<void(const std::string&)> log_;
};

}  // namespace

std::unique_ptr<EnvironmentLibraryLoader> LoggingLibraryLoader(std::function<void(const std::string&)> log) {
  return std::make_unique<Win32LoggingLibraryLoader>(std::move(log));
}

EnvironmentLibraryLoader& OperatingSystemLibraryLoader() {
  static Win32LibraryLoader loader;
  return loader;
}

}  // namespace quintarel
