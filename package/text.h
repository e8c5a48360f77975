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

// Equality with ASCII letters compared without regard to case; all other
// bytes, and the second bytes of double-byte characters, must be equal.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// text with ASCII letters in lower case and every other byte, the second
// bytes of double-byte characters included, as it is: the key under which
// texts that EqualsIgnoringAsciiCase holds equal are equal.
std::string AsciiLowercase(std::string_view text);

// Equality as the system compares text without regard to case: Win32 asks
// it (lstrcmpiA, in the user's locale, so letters of the code page beyond
// ASCII fold too); elsewhere only ASCII letters fold.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Whether text begins with prefix, ASCII letters compared without regard to
// case; the second bytes of double-byte characters must be equal.
bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);

// Whitespace as the C locale has it (blank, tab, LF, VT, FF, CR), whatever
// the process's locale.
bool IsCWhitespace(char c);

// pattern with each "%s" replaced by the next of values, in order (a
// message such as "The file %s was not found.\r\nInstall %s." takes two).
// A "%s" beyond the values becomes empty; other "%" sequences stay as they are.
std::string FillPlaceholders(std::string_view pattern, std::initializer_list<std::string_view> values);

}  // namespace quintarel

#endif  // PACKAGE_TEXT_H_
