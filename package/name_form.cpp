#include "package/name_form.h"

namespace quintarel {

namespace {

constexpr char32_t kHighSurrogateFirst = 0xD800;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kSurrogateEnd = 0xE000;
constexpr char32_t kSupplementaryFirst = 0x10000;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr int kSurrogateBits = 10;
constexpr char32_t kSurrogateMask = (1u << kSurrogateBits) - 1;

constexpr unsigned char kContinuationTag = 0x80;
constexpr unsigned char kContinuationMask = 0xC0;
constexpr int kContinuationBits = 6;
constexpr char32_t kContinuationValueMask = (1u << kContinuationBits) - 1;

bool IsHighSurrogate(char32_t unit) {
  return unit >= kHighSurrogateFirst && unit < kLowSurrogateFirst;
}
bool IsLowSurrogate(char32_t unit) { return unit >= kLowSurrogateFirst && unit < kSurrogateEnd; }

void AppendCodePoint(char32_t code, std::string* out) {
  const auto byte = [](char32_t value) {
    return static_cast<char>(static_cast<unsigned char>(value));
  };
  const auto continuation = [&](int shift) {
    return byte(kContinuationTag | ((code >> shift) & kContinuationValueMask));
  };
  if (code < 0x80) {
    out->push_back(byte(code));
  } else if (code < 0x800) {
    out->push_back(byte(0xC0 | (code >> 6)));
    out->push_back(continuation(0));
  } else if (code < kSupplementaryFirst) {
    out->push_back(byte(0xE0 | (code >> 12)));
    out->push_back(continuation(6));
    out->push_back(continuation(0));
  } else {
    out->push_back(byte(0xF0 | (code >> 18)));
    out->push_back(continuation(12));
    out->push_back(continuation(6));
    out->push_back(continuation(0));
  }
}

// The character that starts text at *at, moving *at past it; nothing for a
// malformed or overlong sequence. Surrogate values pass: the caller decides.
std::optional<char32_t> DecodeOne(std::string_view text, std::size_t* at) {
  const auto lead = static_cast<unsigned char>(text[*at]);
  std::size_t length = 0;
  char32_t code = 0;
  char32_t smallest = 0;
  if (lead < 0x80) {
    ++*at;
    return lead;
  } else if (lead >= 0xC0 && lead < 0xE0) {
    length = 2, code = lead & 0x1F, smallest = 0x80;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3, code = lead & 0x0F, smallest = 0x800;
  } else if (lead >= 0xF0 && lead < 0xF8) {
    length = 4, code = lead & 0x07, smallest = kSupplementaryFirst;
  } else {
    return std::nullopt;
  }
  if (text.size() - *at < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[*at + i]);
    if ((next & kContinuationMask) != kContinuationTag) return std::nullopt;
    code = (code << kContinuationBits) | (next & kContinuationValueMask);
  }
  if (code < smallest || code > kLastCodePoint) return std::nullopt;
  *at += length;
  return code;
}

}  // namespace

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (IsHighSurrogate(code) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      code = kSupplementaryFirst + (((code & kSurrogateMask) << kSurrogateBits) |
                                    (text[i + 1] & kSurrogateMask));
      ++i;
    }
    AppendCodePoint(code, &out);
  }
  return out;
}

std::optional<std::size_t> Utf16FromUtf8(std::string_view text, char16_t* out,
                                         std::size_t capacity) {
  std::size_t count = 0;
  bool after_high_surrogate = false;
  for (std::size_t at = 0; at < text.size();) {
    const std::optional<char32_t> code = DecodeOne(text, &at);
    if (!code) return std::nullopt;
    // A pair spelt as two surrogates would be a second spelling of a
    // four-byte character.
    if (after_high_surrogate && IsLowSurrogate(*code)) return std::nullopt;
    after_high_surrogate = IsHighSurrogate(*code);
    if (*code >= kSupplementaryFirst) {
      if (capacity - count < 2) return std::nullopt;
      const char32_t offset = *code - kSupplementaryFirst;
      out[count++] = static_cast<char16_t>(kHighSurrogateFirst + (offset >> kSurrogateBits));
      out[count++] = static_cast<char16_t>(kLowSurrogateFirst + (offset & kSurrogateMask));
    } else {
      if (count == capacity) return std::nullopt;
      out[count++] = static_cast<char16_t>(*code);
    }
  }
  return count;
}

std::optional<std::u16string> Utf16FromUtf8(std::string_view text) {
  // Never more units than bytes.
  std::u16string units(text.size(), u'\0');
  const std::optional<std::size_t> count = Utf16FromUtf8(text, units.data(), units.size());
  if (!count) return std::nullopt;
  units.resize(*count);
  return units;
}

}  // namespace quintarel
