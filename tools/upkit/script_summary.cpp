#include "tools/upkit/script_summary.h"

#include <algorithm>

#include "package/archive_digests.h"
#include "tools/upkit/json.h"
#include "tools/upkit/names.h"

namespace quintarel::upkit {

namespace {

constexpr int kMinimumEntries = 2;
constexpr std::size_t kLabelWidth = 18;

std::string Present(const UpdateArchive* archive, std::string_view entry) {
  if (archive == nullptr) return std::string();
  return archive->Find(entry) != -1 ? "  (present)" : "  (missing)";
}

class TextWriter {
 public:
  void Field(std::string_view label, std::string_view value) {
    std::string head = std::string(label) + ":";
    head.resize(std::max(head.size() + 1, kLabelWidth), ' ');
    out_ += head + std::string(value) + "\n";
  }
  void Item(std::string_view text) { out_ += "  " + std::string(text) + "\n"; }
  // A list's heading: its count, or "none" and what that means.
  void ListHead(std::string_view label, std::size_t count, std::string_view when_empty) {
    Field(label, count == 0 ? "none" + std::string(when_empty) : std::to_string(count));
  }
  const std::string& text() const { return out_; }

 private:
  std::string out_;
};

// The bytes as a JSON string of hexadecimal digits.
std::string QuotedHex(std::string_view bytes) {
  std::string out(1, '"');
  out += HexBytes(bytes);
  out += '"';
  return out;
}

class JsonWriter {
 public:
  JsonWriter() : out_("{") {}

  void Raw(std::string_view key, std::string_view json) {
    if (out_.size() > 1) out_ += ',';
    out_ += JsonString(key) + ":" + std::string(json);
  }
  // key and keyHex.
  void Text(std::string_view key, std::string_view value) {
    Raw(key, JsonString(value));
    Raw(std::string(key) + "Hex", QuotedHex(value));
  }
  void OptionalText(std::string_view key, const std::optional<std::string>& value) {
    if (value) {
      Text(key, *value);
    } else {
      Raw(key, "null");
      Raw(std::string(key) + "Hex", "null");
    }
  }
  // key as an array of strings and keyHex as the array of their bytes.
  void TextList(std::string_view key, const std::vector<std::string>& values) {
    std::string texts = "[";
    std::string hex = "[";
    for (const std::string& value : values) {
      if (texts.size() > 1) {
        texts += ',';
        hex += ',';
      }
      texts += JsonString(value);
      hex += QuotedHex(value);
    }
    Raw(key, texts + "]");
    Raw(std::string(key) + "Hex", hex + "]");
  }
  std::string Finish() { return out_ + "}"; }

 private:
  std::string out_;
};

std::string Bool(bool value) { return value ? "true" : "false"; }

// Appends an element to a JSON array under construction ("[" so far).
void AppendElement(std::string& array, const std::string& element) {
  if (array.size() > 1) array += ',';
  array += element;
}

}  // namespace

ScriptSummary ReadScriptSummary(UpdateInfo& info) {
  ScriptSummary summary;
  summary.title = ReadTitle(info);
  summary.application_name = ReadApplicationName(info);
  summary.upgrade_text = ReadUpgradeText(info);
  summary.copy_files = ReadCopyList(info);
  summary.shortcut_keyword = ReadShortcutKeyword(info);
  summary.shortcut_targets = ReadShortcutTargets(info);
  summary.hints = ReadHintList(info);
  summary.target_file_name = FindTargetFileName(summary.hints);
  summary.version_check = ReadVersionCheck(info);
  summary.license = ReadLicenseEntry(info);
  const bool japanese = info.japanese();
  info.set_japanese(true);
  summary.file_list = ReadFileList(info);
  info.set_japanese(japanese);
  return summary;
}

std::string FormatSummaryText(const ScriptSummary& summary, const UpdateArchive* archive) {
  TextWriter out;
  if (archive != nullptr) {
    const int count = archive->GetCount();
    const bool sealed = CountFileEntries(*archive) != count;
    std::string text = std::to_string(count) + " entries, the script is entry 0 (" +
                       PrintableName(archive->entry(0).name()) + ")" +
                       (sealed ? ", the last lists their SHA-256 digests" : ", no digests");
    if (CountFileEntries(*archive) < kMinimumEntries) {
      text += "; the updater refuses it: it needs at least 2 entries besides the digests";
    }
    out.Field("archive", text);
  }
  out.Field("title", summary.title ? PrintableName(*summary.title)
                                   : "none (the window keeps the title \"Updater\")");
  out.Field("appname", PrintableName(summary.application_name));
  out.Field("upgrade", PrintableName(summary.upgrade_text));

  out.ListHead("copyfiles", summary.copy_files.size(), " (no file is written)");
  for (const CopyListLine& file : summary.copy_files) {
    out.Item(PrintableName(file.destination) + " <- " + PrintableName(file.entry) +
             Present(archive, file.entry));
  }
  out.Field("shortcut keyword", PrintableName(summary.shortcut_keyword));
  out.ListHead("shortcut target", summary.shortcut_targets.size(), " (no shortcut is changed)");
  for (const ShortcutTarget& target : summary.shortcut_targets) {
    out.Item(PrintableName(target.old_path) + " -> " + PrintableName(target.new_path));
  }
  out.ListHead("hint", summary.hints.size(), " (no location rule)");
  for (const std::string& hint : summary.hints) out.Item(PrintableName(hint));
  out.Field("target file", PrintableName(summary.target_file_name));

  if (summary.version_check) {
    const VersionCheck& check = *summary.version_check;
    out.Field("version check", "file " + PrintableName(check.file) + ", minimum " +
                                   PrintableName(check.minimum) + ", newest " +
                                   PrintableName(check.newest));
  } else {
    out.Field("version check", "none (no version page)");
  }
  out.Field("license", summary.license
                           ? PrintableName(*summary.license) + Present(archive, *summary.license)
                           : "none (no licence page)");
  // The builder reads the list as a Japanese system does, whatever view the
  // rest shows.
  out.Field("filelist", summary.file_list.empty()
                            ? "none (the builder packs the script alone)"
                            : std::to_string(summary.file_list.size()) +
                                  " (read as the builder does, as on a Japanese system)");
  for (const std::string& file : summary.file_list) out.Item(PrintableName(file));
  return out.text();
}

std::string FormatSummaryJson(const ScriptSummary& summary, const UpdateArchive* archive,
                              bool japanese) {
  JsonWriter out;
  out.Raw("source", archive != nullptr ? "\"archive\"" : "\"script\"");
  out.Raw("japanese", Bool(japanese));
  if (archive != nullptr) {
    out.Raw("entries", std::to_string(archive->GetCount()));
    out.Text("scriptEntry", archive->entry(0).name());
    out.Raw("digests", Bool(CountFileEntries(*archive) != archive->GetCount()));
    out.Raw("updaterAccepts", Bool(CountFileEntries(*archive) >= kMinimumEntries));
  }
  out.OptionalText("title", summary.title);
  out.Text("appname", summary.application_name);
  out.Text("upgrade", summary.upgrade_text);

  std::string copy_files = "[";
  for (const CopyListLine& file : summary.copy_files) {
    JsonWriter item;
    item.Text("destination", file.destination);
    item.Text("entry", file.entry);
    if (archive != nullptr) item.Raw("present", Bool(archive->Find(file.entry) != -1));
    AppendElement(copy_files, item.Finish());
  }
  out.Raw("copyFiles", copy_files + "]");

  out.Text("shortcutKeyword", summary.shortcut_keyword);
  std::string targets = "[";
  for (const ShortcutTarget& target : summary.shortcut_targets) {
    JsonWriter item;
    item.Text("new", target.new_path);
    item.Text("old", target.old_path);
    AppendElement(targets, item.Finish());
  }
  out.Raw("shortcutTargets", targets + "]");

  out.TextList("hints", summary.hints);
  out.Text("targetFileName", summary.target_file_name);
  if (summary.version_check) {
    JsonWriter check;
    check.Text("file", summary.version_check->file);
    check.Text("minimum", summary.version_check->minimum);
    check.Text("newest", summary.version_check->newest);
    out.Raw("versionCheck", check.Finish());
  } else {
    out.Raw("versionCheck", "null");
  }
  out.OptionalText("license", summary.license);
  if (archive != nullptr) {
    out.Raw("licensePresent",
            summary.license ? Bool(archive->Find(*summary.license) != -1) : "null");
  }
  out.TextList("fileList", summary.file_list);
  return out.Finish() + "\n";
}

}  // namespace quintarel::upkit
