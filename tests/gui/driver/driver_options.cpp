#include "tests/gui/driver/driver_options.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace quintarel::gui {

namespace {

// Options that take no value.
bool IsFlag(const std::string& name) {
  return name == "--box" || name == "--not-box" || name == "--hidden-ok" || name == "--cancel" ||
         name == "--print-hex" || name == "--common" || name == "--user";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string FromHex(const std::string& hex) {
  if (hex.size() % 2 != 0) throw UsageError("odd number of hex digits");
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) throw UsageError("'" + hex + "' is not hex");
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

}  // namespace

Options::Options(int argc, char** argv, int first) {
  for (int i = first; i < argc; ++i) {
    const std::string name = argv[i];
    if (name.rfind("--", 0) != 0) throw UsageError("unexpected argument '" + name + "'");
    if (IsFlag(name)) {
      values_.emplace(name.substr(2), "1");
      continue;
    }
    if (i + 1 >= argc) throw UsageError(name + " needs a value");
    values_.emplace(name.substr(2), argv[++i]);
  }
}

HWND ParseHandle(const std::string& text) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (end == text.c_str() || *end != '\0') throw UsageError("'" + text + "' is not a window handle");
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
}

std::string HandleText(HWND window) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
  return text;
}

std::string Escape(const std::string& bytes) {
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == '\t') {
      text += "\\t";
    } else if (c == '\\') {
      text += "\\\\";
    } else if (byte < 0x20 || byte >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      text += hex;
    } else {
      text += c;
    }
  }
  return text;
}

std::string Unescape(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes += text[i];
      continue;
    }
    const char kind = text[++i];
    if (kind == 'r') {
      bytes += '\r';
    } else if (kind == 'n') {
      bytes += '\n';
    } else if (kind == 't') {
      bytes += '\t';
    } else if (kind == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
               HexDigit(text[i + 2]) >= 0) {
      bytes += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      bytes += kind;
    }
  }
  return bytes;
}

std::string ToHex(const std::string& bytes) {
  std::string hex;
  char pair[4];
  for (const char c : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
    hex += pair;
  }
  return hex;
}

std::optional<std::string> ExpectedText(const Options& options) {
  if (const std::optional<std::string> text = options.Find("expect")) return Unescape(*text);
  if (const std::optional<std::string> hex = options.Find("expect-hex")) return FromHex(*hex);
  return std::nullopt;
}

bool CheckText(const char* what, const std::string& text, const std::optional<std::string>& expected) {
  if (!expected || text == *expected) return true;
  std::fprintf(stderr, "guidriver: %s is '%s' (hex %s), expected '%s' (hex %s)\n", what,
               Escape(text).c_str(), ToHex(text).c_str(), Escape(*expected).c_str(),
               ToHex(*expected).c_str());
  return false;
}

long long Timeout(const Options& options) { return options.Number("timeout", kDefaultTimeout); }

int TimedOut(const std::string& what) {
  std::fprintf(stderr, "guidriver: timed out: %s\n", what.c_str());
  return kTimedOut;
}

}  // namespace quintarel::gui
