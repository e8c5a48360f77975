#ifndef ENVLIB_KESTRUNE_EXPORTS_WIN_H_
#define ENVLIB_KESTRUNE_EXPORTS_WIN_H_

#include <windows.h>

#include "envlib/kestrune_names.h"
#include "platform/scoped_handle_win.h"

namespace quintarel {

// Both exports of Kestrune.dll: stdcall, one pointer to a NUL-terminated
// folder path, the result in the low byte only. Callers bind them by name at
// run time through EnvironmentExportOf; the library defines them with this
// very type.
using EnvironmentExport = unsigned char(WINAPI*)(const char* root);

// The export name of library; null when it has none.
inline EnvironmentExport EnvironmentExportOf(HMODULE library, const char* name) {
  return GetFunction<EnvironmentExport>(library, name);
}

}  // namespace quintarel

#endif  // ENVLIB_KESTRUNE_EXPORTS_WIN_H_
