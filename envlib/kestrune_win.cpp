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

// Runs an export's work on root, which callers pass in the system's code
// page, respelt for the library; a null root stays null for the library to
// refuse.
template <typename Work>
bool WithExactRoot(const char* root, Work work) {
  if (root == nullptr) return work(nullptr);
  const std::optional<std::string> exact = ConvertName(root, NameForm::kCodePage, NameForm::kUtf8);
  return exact && work(exact->c_str());
}

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
    return quintarel::WithExactRoot(root, [](const char* exact) {
             return quintarel::library.environment.DoIt(exact);
           })
               ? 1
               : 0;
  } catch (...) {
    return 0;
  }
}

extern "C" unsigned char WINAPI ModifyAccessPermission(const char* root) {
  try {
    return quintarel::WithExactRoot(root, [](const char* exact) {
             return quintarel::library.environment.ModifyAccessPermission(exact);
           })
               ? 1
               : 0;
  } catch (...) {
    return 0;
  }
}

static_assert(std::is_same_v<decltype(&DoIt), quintarel::EnvironmentExport>);
static_assert(std::is_same_v<decltype(&ModifyAccessPermission), quintarel::EnvironmentExport>);
