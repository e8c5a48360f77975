#include "tools/upkit/names.h"

#include <algorithm>
#include <cctype>


namespace quintarel::upkit {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrivePrefix(std::string_view path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 &&
         path[1] == ':';
}

bool OnlyDotsAndSpaces(std::string_view part) {
  return std::all_of(part.begin(), part.end(), [](char c) { return c == '.' || c == ' '; });
}

}  // namespace

std::string UnsafeNameReason(std::string_view name) {
  if (name.empty()) return "the name is empty";
  if (IsSeparator(name.front())) return "the name is an absolute path";
  if (HasDrivePrefix(name)) return "the name starts with a drive letter";
  if (name.find(':') != std::string_view::npos) return "the name contains ':'";
  std::size_t start = 0;
  for (;;) {
    const auto end = std::find_if(name.begin() + static_cast<std::ptrdiff_t>(start), name.end(),
                                  IsSeparator);
    const auto stop = static_cast<std::size_t>(end - name.begin());
    const std::string_view part = name.substr(start, stop - start);
    if (part.empty()) return "the name has an empty part";
    if (OnlyDotsAndSpaces(part)) {
      return "the name has a part '" + std::string(part) + "' that leaves its folder";
    }
    if (end == name.end()) return "";
    start = stop + 1;
  }
}

std::string PrintableName(std::string_view name) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  std::string out;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      out += "\\x";
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace quintarel::upkit
