// Kestrune.dll: the exports and the one library object behind them.
#include <windows.h>

#include <type_traits>

#include "envlib/environment_library.h"
#include "envlib/kestrune_exports_win.h"
#include "envlib/library_messages_win.h"

namespace quintarel {

namespace {

// Recorded by DllMain; nothing else happens under the loader lock.
HMODULE library_module = nullptr;

HMODULE LibraryModule() { return library_module; }

// The Win32 services and the library over them, built when the library is
// loaded and destroyed when it is unloaded. Building them calls nothing in
// the system.
struct Library {
  Win32LibraryMessages messages{&LibraryModule};
  EnvironmentServices services{OperatingSystemFiles(),  OperatingSystemRegistry(),
                               OperatingSystemSecurity(), OperatingSystemShellFolders(),
                               OperatingSystemProfile(),  messages};
  EnvironmentLibrary environment{services};
};

Library library;

}  // namespace

}  // namespace quintarel

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) quintarel::library_module = instance;
  return TRUE;
}

// No exception may reach the caller, which knows nothing of C++: any one
// counts as a failure.
extern "C" unsigned char WINAPI DoIt(const char* root) {
  try {
    return quintarel::library.environment.DoIt(root) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

extern "C" unsigned char WINAPI ModifyAccessPermission(const char* root) {
  try {
    return quintarel::library.environment.ModifyAccessPermission(root) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

static_assert(std::is_same_v<decltype(&DoIt), quintarel::EnvironmentExport>);
static_assert(std::is_same_v<decltype(&ModifyAccessPermission), quintarel::EnvironmentExport>);
