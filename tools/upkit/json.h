#ifndef TOOLS_UPKIT_JSON_H_
#define TOOLS_UPKIT_JSON_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace quintarel::upkit {

// Length of the well-formed UTF-8 sequence that starts at text[at], or 0
// when the byte there does not start one (stray continuation byte, overlong
// form, surrogate, code point above U+10FFFF, or a sequence cut short).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// text as a quoted JSON string. Well-formed UTF-8 passes through; '"', '\'
// and control characters are escaped; every byte that is not part of
// well-formed UTF-8 becomes \u00XX, its Latin-1 reading, so the output is
// always valid JSON (and such a name reads back as Latin-1 text: the exact
// bytes are in the hex form).
std::string JsonString(std::string_view text);

// The bytes as lowercase hexadecimal, two digits each.
std::string HexBytes(std::string_view bytes);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_JSON_H_
