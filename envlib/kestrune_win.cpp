// Kestrune.dll: the exports and the one library object behind them.
#include <windows.h>

#include <optional>
#include <string>
#include <type_traits>

#include "envlib/environment_library.h"
#include "envlib/kestrune_exports_win.h"
#include "envlib/library_messages_win.h"
#include "platform/name_form_win.h"

namespace quintarel {

namespace {

// Recorded by DllMain; nothing else happens under the loader lock.
HMODULE library_module = nullptr;

HMODULE LibraryModule() { return library_module; }

// The Win32 services and the library over them, built when the library is
// loaded and destroyed when it is unloaded. Building them calls nothing in
// the system. Every name is spelt exactly, so that keys, values and files
// whose names the code page cannot spell move under their own names.
struct Library {
  Win32LibraryMessages messages{&LibraryModule};
  EnvironmentServices services{OperatingSystemFiles(NameForm::kUtf8),
                               OperatingSystemRegistry(NameForm::kUtf8),
                               OperatingSystemSecurity(NameForm::kUtf8),
                               OperatingSystemShellFolders(NameForm::kUtf8),
                               OperatingSystemProfile(),
                               messages};
  EnvironmentLibrary environment{services};
};

Library library;

// Runs one of the library's operations for an export. Callers pass root in
// the system's code page; the library gets it respelt exactly, and a null
// root stays null for the library to refuse. No exception may reach the
// caller, which knows nothing of C++. The operations let none out and give
// their own results when one ends a step; only respelling the root can
// still throw here, which counts as a root that cannot be respelt.
unsigned char RunExport(bool (EnvironmentLibrary::*operation)(const char*), const char* root) {
  try {
    if (root == nullptr) return (library.environment.*operation)(nullptr) ? 1 : 0;
    const std::optional<std::string> exact =
        ConvertName(root, NameForm::kCodePage, NameForm::kUtf8);
    return exact && (library.environment.*operation)(exact->c_str()) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace

}  // namespace quintarel

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) quintarel::library_module = instance;
  return TRUE;
}

extern "C" unsigned char WINAPI DoIt(const char* root) {
  return quintarel::RunExport(&quintarel::EnvironmentLibrary::DoIt, root);
}

extern "C" unsigned char WINAPI ModifyAccessPermission(const char* root) {
  return quintarel::RunExport(&quintarel::EnvironmentLibrary::ModifyAccessPermission, root);
}

static_assert(std::is_same_v<decltype(&DoIt), quintarel::EnvironmentExport>);
static_assert(std::is_same_v<decltype(&ModifyAccessPermission), quintarel::EnvironmentExport>);
