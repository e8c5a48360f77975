#ifndef PACKAGE_NAME_FORM_H_
#define PACKAGE_NAME_FORM_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quintarel {

// How the 8-bit names of files, folders, registry keys and values stand for
// the system's UTF-16 names. kCodePage is the system's code page, where
// several names may share one spelling and some have none; kUtf8 is the
// generalised UTF-8 below, which spells every UTF-16 name exactly.
enum class NameForm { kCodePage, kUtf8 };

// text in UTF-8, a surrogate pair as one four-byte character and an unpaired
// surrogate as the three bytes its value would take. Every sequence of
// units has exactly one spelling, so distinct names stay distinct.
std::string Utf8FromUtf16(std::u16string_view text);

// The units that Utf8FromUtf16 spells as text, written to out (room for
// capacity units) without allocating; their count. Nothing for bytes that
// are not such a spelling (a stray or missing continuation byte, an overlong
// or out-of-range character, a pair written as two surrogates) or when the
// units do not fit.
std::optional<std::size_t> Utf16FromUtf8(std::string_view text, char16_t* out,
                                         std::size_t capacity);
std::optional<std::u16string> Utf16FromUtf8(std::string_view text);

}  // namespace quintarel

#endif  // PACKAGE_NAME_FORM_H_
