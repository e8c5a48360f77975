#include "package/script_values.h"

#include <cctype>
#include <utility>

#include "package/text.h"

namespace quintarel {

namespace {

constexpr std::string_view kTargetHintPrefix = "exe,";
// Shorter list lines cannot hold a name, "=" and a name.
constexpr std::size_t kShortestPairLine = 3;

bool IsWhitespace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Whether a line of a pair list counts: comments and lines too short to
// hold a pair are dropped.
bool IsPairLine(std::string_view line) { return line.size() >= kShortestPairLine && line[0] != ';'; }

std::vector<std::string> ReadPairLines(UpdateInfo& info, std::string_view section) {
  std::vector<std::string> lines;
  for (std::string& line : ReadSectionLines(info, section)) {
    if (IsPairLine(line)) lines.push_back(std::move(line));
  }
  return lines;
}

std::string FirstLine(UpdateInfo& info, std::string_view section) {
  std::string line;
  info.GetLine(section, &line);
  return line;
}

std::string StringValue(UpdateInfo& info, std::string_view key) {
  std::string value;
  info.GetValue(kStringsSection, key, {}, &value);
  return value;
}

}  // namespace

std::string_view TrimWhitespace(std::string_view text) {
  while (!text.empty() && IsWhitespace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhitespace(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimWhitespaceDoubleByteAware(std::string_view text, bool (*is_lead_byte)(unsigned char)) {
  // A leading byte is never a trail byte, so the front trims plainly; the
  // end is found by walking characters from the front.
  while (!text.empty() && IsWhitespace(text.front())) text.remove_prefix(1);
  std::size_t end = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (is_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      ++i;
      end = i + 1;
    } else if (!IsWhitespace(text[i])) {
      end = i + 1;
    }
  }
  return text.substr(0, end);
}

std::vector<std::string> ReadSectionLines(UpdateInfo& info, std::string_view section) {
  std::vector<std::string> lines;
  std::string line;
  for (bool more = info.GetLine(section, &line); more; more = info.GetLine(&line)) lines.push_back(line);
  return lines;
}

std::optional<CopyListLine> ParseCopyLine(std::string_view line) {
  if (!IsPairLine(line)) return std::nullopt;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return CopyListLine{std::string(), std::string(TrimWhitespace(line))};
  return CopyListLine{std::string(TrimWhitespace(line.substr(0, equals))),
                  std::string(TrimWhitespace(line.substr(equals + 1)))};
}

std::vector<CopyListLine> ReadCopyList(UpdateInfo& info) {
  std::vector<CopyListLine> files;
  for (const std::string& line : ReadSectionLines(info, kCopyFilesSection)) {
    if (std::optional<CopyListLine> file = ParseCopyLine(line)) files.push_back(std::move(*file));
  }
  return files;
}

std::vector<ShortcutTarget> ReadShortcutTargets(UpdateInfo& info) {
  std::vector<ShortcutTarget> targets;
  for (const std::string& line : ReadPairLines(info, kShortcutTargetSection)) {
    const std::string_view text = line;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    targets.push_back({std::string(TrimWhitespace(text.substr(0, equals))),
                       std::string(TrimWhitespace(text.substr(equals + 1)))});
  }
  return targets;
}

std::string ReadShortcutKeyword(UpdateInfo& info) { return FirstLine(info, kShortcutKeywordSection); }

std::vector<std::string> ReadHintList(UpdateInfo& info) { return ReadSectionLines(info, kHintSection); }

std::string FindTargetFileName(const std::vector<std::string>& hints) {
  for (auto hint = hints.rbegin(); hint != hints.rend(); ++hint) {
    const std::string_view text = *hint;
    if (text.size() >= kTargetHintPrefix.size() &&
        EqualsIgnoringAsciiCase(text.substr(0, kTargetHintPrefix.size()), kTargetHintPrefix)) {
      return std::string(text.substr(kTargetHintPrefix.size()));
    }
  }
  return std::string();
}

std::optional<VersionCheck> SplitVersionCheck(std::string_view line) {
  // The range's "-" is looked for after the "/", so that a file name may
  // hold "-" (my-app.exe/1.0-2.0) and still be checked.
  const std::size_t slash = line.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::size_t dash = line.find('-', slash + 1);
  if (dash == std::string_view::npos) return std::nullopt;
  VersionCheck check;
  check.file = TrimWhitespaceDoubleByteAware(line.substr(0, slash));
  check.minimum = TrimWhitespaceDoubleByteAware(line.substr(slash + 1, dash - slash - 1));
  check.newest = TrimWhitespaceDoubleByteAware(line.substr(dash + 1));
  return check;
}

std::optional<VersionCheck> ReadVersionCheck(UpdateInfo& info) {
  std::string line;
  if (!info.GetLine(kVersionCheckSection, &line)) return std::nullopt;
  return SplitVersionCheck(line);
}

std::optional<std::string> ReadLicenseEntry(UpdateInfo& info) {
  std::string line;
  if (!info.GetLine(kLicenseSection, &line)) return std::nullopt;
  return line;
}

std::optional<std::string> ReadTitle(UpdateInfo& info) {
  std::string title;
  if (!info.GetValue(kStringsSection, "title", {}, &title)) return std::nullopt;
  return title;
}

std::string ReadApplicationName(UpdateInfo& info) { return StringValue(info, "appname"); }

std::string ReadUpgradeText(UpdateInfo& info) { return StringValue(info, "upgrade"); }

std::vector<std::string> ReadFileList(UpdateInfo& info) {
  std::vector<std::string> files;
  for (std::string& line : ReadSectionLines(info, kFileListSection)) {
    if (!line.empty()) files.push_back(std::move(line));
  }
  return files;
}

}  // namespace quintarel
