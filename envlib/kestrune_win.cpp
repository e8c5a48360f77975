// Kestrune.dll: the exports and the library object behind DoIt and
// ModifyAccessPermission.
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
unsigned char RunExport(EnvironmentLibrary& environment,
                        bool (EnvironmentLibrary::*operation)(const char*), const char* root) {
  try {
    if (root == nullptr) return (environment.*operation)(nullptr) ? 1 : 0;
    const std::optional<std::string> exact =
        ConvertName(root, NameForm::kCodePage, NameForm::kUtf8);
    return exact && (environment.*operation)(exact->c_str()) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

// DoIt with its messages handed to sink. The call gets a library object of
// its own over the same system services, so the sink reaches nothing but
// this call: a DoIt on another thread keeps its boxes. Building these
// objects allocates nothing, so RunExport still catches all that can throw.
BOOL RunLoggedDoIt(const char* root, KestruneLogSink sink, void* context) {
  LoggedLibraryMessages messages(library.messages, sink, context);
  const EnvironmentServices& shared = library.services;
  const EnvironmentServices services{shared.files,   shared.registry, shared.security,
                                     shared.folders, shared.profile,  messages};
  EnvironmentLibrary environment{services};
  return RunExport(environment, &EnvironmentLibrary::DoIt, root) != 0 ? TRUE : FALSE;
}

}  // namespace

}  // namespace quintarel

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) quintarel::library_module = instance;
  return TRUE;
}

extern "C" unsigned char WINAPI DoIt(const char* root) {
  return quintarel::RunExport(quintarel::library.environment,
                              &quintarel::EnvironmentLibrary::DoIt, root);
}

extern "C" unsigned char WINAPI ModifyAccessPermission(const char* root) {
  return quintarel::RunExport(quintarel::library.environment,
                              &quintarel::EnvironmentLibrary::ModifyAccessPermission, root);
}

extern "C" BOOL WINAPI DoItLogged(const char* root, quintarel::KestruneLogSink sink,
                                  void* context) {
  return quintarel::RunLoggedDoIt(root, sink, context);
}

static_assert(std::is_same_v<decltype(&DoIt), quintarel::EnvironmentExport>);
static_assert(std::is_same_v<decltype(&ModifyAccessPermission), quintarel::EnvironmentExport>);
static_assert(std::is_same_v<decltype(&DoItLogged), quintarel::LoggedEnvironmentExport>);
