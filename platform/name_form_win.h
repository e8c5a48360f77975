#ifndef PLATFORM_NAME_FORM_WIN_H_
#define PLATFORM_NAME_FORM_WIN_H_

#include <optional>
#include <string>
#include <string_view>

#include "package/name_form.h"

namespace quintarel {

// A name in form as the …W functions take it. The code page form converts as
// the …A functions do themselves, so code that keeps that form sees the
// names it always saw. Nothing when name is not spelt in form.
std::optional<std::wstring> WideName(NameForm form, std::string_view name);

// path in the extended-length form ("\\?\C:\…", "\\?\UNC\server\…") when it is
// too long for the …W functions' usual limit (MAX_PATH, and 12 less for a
// folder that is made), made full first since that form is taken as it
// stands; shorter paths, and paths already in a device form, come back as
// they are. A name beside a file, ten characters longer than the file's own,
// is then never refused for its length.
std::wstring ExtendedWhenLong(std::wstring path);

// A name that a …W function gave, spelt in form; the code page form may
// merge names or replace characters, as the …A functions do.
std::optional<std::string> NarrowName(NameForm form, std::wstring_view name);

// name respelt from one form into another; nothing when it is not spelt in
// from.
std::optional<std::string> ConvertName(std::string_view name, NameForm from, NameForm to);

}  // namespace quintarel

#endif  // PLATFORM_NAME_FORM_WIN_H_
