#ifndef PLATFORM_STRING_TABLE_WIN_H_
#define PLATFORM_STRING_TABLE_WIN_H_

#include <windows.h>

#include <string>

namespace quintarel {

// The text of id in module's string table, in the language the system's
// resource lookup chooses; empty when there is none.
std::string LoadModuleText(HMODULE module, int id);

}  // namespace quintarel

#endif  // PLATFORM_STRING_TABLE_WIN_H_
