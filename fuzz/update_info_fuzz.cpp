// The script reader over arbitrary bytes, loaded as they are and behind a
// valid first section, with and without the Japanese redirection: every
// lookup and every value the wizard and the builder take out stays within
// its capacity, holds no CR or NUL, and gives the same answer when repeated.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "package/script_values.h"
#include "package/stream.h"
#include "package/update_info.h"

namespace quintarel {
namespace {

constexpr std::string_view kHead = "[Quintarel Corporation UpdateInfo]\nformat=0\n";

constexpr std::string_view kSections[] = {"strings", "copyfiles", "hint", "filelist", "japanese", "license",
                                          "a", ""};
constexpr std::string_view kKeys[] = {"title", "appname", "upgrade", "format", "strings", "a", ""};

bool Clean(std::string_view text, std::size_t capacity) {
  return text.size() < capacity && text.find('\0') == std::string_view::npos &&
         text.find('\r') == std::string_view::npos;
}

void Exercise(UpdateInfo& info, std::size_t size) {
  for (std::string_view section : kSections) {
    FuzzCheck(Clean(info.MapSection(section), UpdateInfo::kSearchCapacity), "mapped section");
    for (std::string_view key : kKeys) {
      std::string value;
      const bool found = info.GetValue(section, key, "default", &value);
      FuzzCheck(Clean(value, UpdateInfo::kValueCapacity), "value");
      FuzzCheck(found || value == "default", "default value");
      std::string again;
      FuzzCheck(info.GetValue(section, key, "default", &again) == found && again == value, "repeated value");
      std::string short_value;
      if (info.GetValue(section, key, "", &short_value, UpdateInfo::kSearchCapacity)) {
        FuzzCheck(found && value.starts_with(short_value), "short value");
      }
    }
    std::string line;
    std::size_t lines = 0;
    for (bool more = info.GetLine(section, &line); more; more = info.GetLine(&line)) {
      FuzzCheck(Clean(line, UpdateInfo::kValueCapacity), "list line");
      FuzzCheck(++lines <= size, "list ends");
    }
  }

  for (const CopyListLine& file : ReadCopyList(info)) {
    FuzzCheck(Clean(file.destination + file.entry, 2 * UpdateInfo::kValueCapacity), "copy list");
  }
  for (const ShortcutTarget& target : ReadShortcutTargets(info)) {
    FuzzCheck(Clean(target.new_path + target.old_path, 2 * UpdateInfo::kValueCapacity), "shortcut target");
  }
  FuzzCheck(Clean(ReadShortcutKeyword(info), UpdateInfo::kValueCapacity), "shortcut keyword");
  const std::vector<std::string> hints = ReadHintList(info);
  FuzzCheck(FindTargetFileName(hints).size() < UpdateInfo::kValueCapacity, "target file name");
  if (const auto check = ReadVersionCheck(info)) {
    FuzzCheck(check->file.size() + check->minimum.size() + check->newest.size() < UpdateInfo::kValueCapacity,
              "version check");
  }
  ReadLicenseEntry(info);
  ReadTitle(info);
  ReadApplicationName(info);
  ReadUpgradeText(info);
  for (const std::string& file : ReadFileList(info)) FuzzCheck(!file.empty(), "file list");
}

void LoadAndExercise(std::string_view script, bool japanese) {
  UpdateInfo info(japanese);
  MemoryStream stream(std::vector<std::uint8_t>(script.begin(), script.end()));
  const bool loaded = info.Load(stream);
  FuzzCheck(!loaded || script.starts_with(UpdateInfo::kSignature), "signature");
  Exercise(info, script.size());
}

}  // namespace
}  // namespace quintarel

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quintarel;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string script = std::string(kHead) + bytes;
  for (bool japanese : {false, true}) {
    LoadAndExercise(bytes, japanese);
    LoadAndExercise(script, japanese);
  }
  return 0;
}
