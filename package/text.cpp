#include "package/text.h"

namespace quintarel {

namespace {
unsigned char FoldAscii(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}
}  // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithIgnoringAsciiCase(a, b);
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (FoldAscii(text[i]) != FoldAscii(prefix[i])) return false;
    // The second byte of a double-byte character is no letter: it must match
    // as it is.
    if (IsLeadByte(static_cast<unsigned char>(prefix[i])) && i + 1 < prefix.size()) {
      ++i;
      if (text[i] != prefix[i]) return false;
    }
  }
  return true;
}

std::string AsciiLowercase(std::string_view text) {
  std::string folded(text);
  for (std::size_t i = 0; i < folded.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(folded[i]))) {
      ++i;
    } else {
      folded[i] = static_cast<char>(FoldAscii(folded[i]));
    }
  }
  return folded;
}

bool IsCWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string FillPlaceholders(std::string_view pattern,
                             std::initializer_list<std::string_view> values) {
  std::string text;
  auto next = values.begin();
  std::size_t from = 0;
  for (std::size_t mark = pattern.find("%s"); mark != std::string_view::npos;
       mark = pattern.find("%s", from)) {
    text.append(pattern.substr(from, mark - from));
    if (next != values.end()) text.append(*next++);
    from = mark + 2;
  }
  text.append(pattern.substr(from));
  return text;
}

}  // namespace quintarel
