#include "package/archive_packing.h"

#include "package/script_values.h"

namespace quintarel {

namespace {

// Connects the codec's percentages to the observer and remembers a cancel,
// which AddFile alone cannot tell from a file error.
struct ProgressRelay {
  static bool Forward(void* self, std::int64_t percent) {
    auto* relay = static_cast<ProgressRelay*>(self);
    if (relay->observer == nullptr || relay->observer->Progress(percent)) return true;
    relay->cancelled = true;
    return false;
  }

  PackingObserver* observer;
  bool cancelled = false;
};

}  // namespace

PackResult PackArchive(UpdateArchive& archive, UpdateInfo& script, const std::string& script_name,
                       const std::string& base_folder, PackingObserver* observer) {
  // Entry 0 must be the script: readers take it as such without looking at
  // its name, so an archive without it would mislead every reader.
  if (!archive.AddFile(script_name, JoinPath(base_folder, script_name), nullptr)) {
    return {PackStatus::kScriptUnreadable, script_name};
  }

  ProgressRelay relay{observer};
  PercentProgress progress(&ProgressRelay::Forward, &relay);
  for (const std::string& line : ReadFileList(script)) {
    if (observer != nullptr) observer->StartFile(line);
    if (archive.Find(line) != -1) return {PackStatus::kDuplicateName, line};
    if (line.size() > archive_format::kMaxNameLength) return {PackStatus::kNameTooLong, line};
    if (!archive.AddFile(line, JoinPath(base_folder, line), &progress)) {
      return {relay.cancelled ? PackStatus::kCancelled : PackStatus::kFileUnreadable, line};
    }
  }
  return {PackStatus::kComplete, {}};
}

}  // namespace quintarel
