#ifndef PACKAGE_TEXT_H_
#define PACKAGE_TEXT_H_

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace quintarel {

// Whether byte starts a double-byte character in the system's code page.
// Win32 asks the system; elsewhere text is taken as single-byte or UTF-8,
// neither of which has "\" as a trail byte.
bool IsLeadByte(unsigned char byte);

// Index of the last "\" in path that is a separator (a trail byte of a
// double-byte character is not), or npos. "/" is never a separator.
std::size_t FindLastSeparator(std::string_view path);

// Equality with ASCII letters compared without regard to case; all other
// bytes must be equal.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// pattern with each "%s" replaced by the next of values, in order (a
// message such as "The file %s was not found.\r\nInstall %s." takes two).
// A "%s" beyond the values becomes empty; no other "%" sequence is special.
std::string FillPlaceholders(std::string_view pattern, std::initializer_list<std::string_view> values);

}  // namespace quintarel

#endif  // PACKAGE_TEXT_H_
