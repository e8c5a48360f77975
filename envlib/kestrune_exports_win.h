#ifndef ENVLIB_KESTRUNE_EXPORTS_WIN_H_
#define ENVLIB_KESTRUNE_EXPORTS_WIN_H_

#include <windows.h>

#include "envlib/kestrune_names.h"
#include "platform/scoped_handle_win.h"

namespace quintarel {

// DoIt and ModifyAccessPermission: stdcall, one pointer to a NUL-terminated
// folder path, the result in the low byte only. Callers bind them by name at
// run time through EnvironmentExportOf; the library defines them with this
// very type.
using EnvironmentExport = unsigned char(WINAPI*)(const char* root);

// The export name of library; null when it has none.
inline EnvironmentExport EnvironmentExportOf(HMODULE library, const char* name) {
  return GetFunction<EnvironmentExport>(library, name);
}

// Receives, in place of each message box, the box's text in the process's
// code page (the spelling the library's callers use for the root), one call
// per box. Characters the code page cannot spell come as its best fit or its
// default character.
using KestruneLogSink = void(WINAPI*)(void* context, const char* text);

// DoItLogged: DoIt for a caller without a window. Every message DoIt would
// show goes to sink with context instead, and no window is created; a null
// sink drops them. TRUE and FALSE as DoIt's low byte.
using LoggedEnvironmentExport = BOOL(WINAPI*)(const char* root, KestruneLogSink sink,
                                              void* context);

inline LoggedEnvironmentExport LoggedEnvironmentExportOf(HMODULE library, const char* name) {
  return GetFunction<LoggedEnvironmentExport>(library, name);
}

}  // namespace quintarel

#endif  // ENVLIB_KESTRUNE_EXPORTS_WIN_H_
