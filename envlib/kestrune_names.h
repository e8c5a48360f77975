#ifndef ENVLIB_KESTRUNE_NAMES_H_
#define ENVLIB_KESTRUNE_NAMES_H_

namespace quintarel {

// The environment library's file and export names, as callers bind them.
inline constexpr char kLibraryFileName[] = "Kestrune.dll";
inline constexpr char kDoItExport[] = "DoIt";
inline constexpr char kModifyAccessPermissionExport[] = "ModifyAccessPermission";
inline constexpr char kDoItLoggedExport[] = "DoItLogged";

}  // namespace quintarel

#endif  // ENVLIB_KESTRUNE_NAMES_H_
