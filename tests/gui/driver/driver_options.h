// Options, texts and deadlines shared by the driver's commands.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quintarel::gui {

enum ExitCode { kOk = 0, kMismatch = 1, kTimedOut = 2, kUsage = 3 };

constexpr DWORD kPollMilliseconds = 20;
constexpr DWORD kDefaultTimeout = 10000;

class UsageError {
 public:
  explicit UsageError(std::string message) : message_(std::move(message)) {}
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

// --name value pairs and flags; a name may repeat (--has-id).
class Options {
 public:
  Options(int argc, char** argv, int first);

  bool Has(const std::string& name) const { return values_.count(name) != 0; }

  std::string Get(const std::string& name) const {
    const auto found = values_.find(name);
    if (found == values_.end()) throw UsageError("--" + name + " is required");
    return found->second;
  }

  std::optional<std::string> Find(const std::string& name) const {
    const auto found = values_.find(name);
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }

  std::vector<std::string> All(const std::string& name) const {
    std::vector<std::string> all;
    const auto range = values_.equal_range(name);
    for (auto it = range.first; it != range.second; ++it) all.push_back(it->second);
    return all;
  }

  long long Number(const std::string& name, long long fallback) const {
    const std::optional<std::string> text = Find(name);
    if (!text) return fallback;
    char* end = nullptr;
    const long long value = std::strtoll(text->c_str(), &end, 0);
    if (end == text->c_str() || *end != '\0') throw UsageError("--" + name + ": not a number");
    return value;
  }

 private:
  std::multimap<std::string, std::string> values_;
};

class Deadline {
 public:
  explicit Deadline(long long milliseconds)
      : end_(::GetTickCount64() + static_cast<ULONGLONG>(milliseconds < 0 ? 0 : milliseconds)) {}
  bool Passed() const { return ::GetTickCount64() >= end_; }

 private:
  ULONGLONG end_;
};

HWND ParseHandle(const std::string& text);
std::string HandleText(HWND window);
// Printable ASCII as it is, everything else escaped, so logs stay readable
// whatever the code page.
std::string Escape(const std::string& bytes);
// C escapes (\r, \n, \t, \xNN) turned into bytes.
std::string Unescape(const std::string& text);
std::string ToHex(const std::string& bytes);
// The expected text of --expect or --expect-hex, if either is given.
std::optional<std::string> ExpectedText(const Options& options);
// Whether TEXT is the expected one; prints both on a mismatch.
bool CheckText(const char* what, const std::string& text, const std::optional<std::string>& expected);

long long Timeout(const Options& options);
// Reports the timeout; returns kTimedOut.
int TimedOut(const std::string& what);

}  // namespace quintarel::gui
