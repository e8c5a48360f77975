#include "updater/app/archive_builder.h"

#include <string_view>

#include "package/archive_packing.h"
#include "package/path.h"
#include "package/text.h"
#include "package/update_archive.h"
#include "package/update_info.h"

namespace quintarel {

namespace {

constexpr char kQuestion[] = "Create update-archive from %s";
constexpr char kSuggestedName[] = "update.dat";

// File errors while packing and saving appear as exclamation boxes.
class MessageBoxReporter final : public FileErrorReporter {
 public:
  explicit MessageBoxReporter(UserInterface& ui) : ui_(ui) {}
  void ShowFileError(const FileError& error) override {
    ui_.ShowMessage(error.what(), MessageIcon::kExclamation);
  }

 private:
  UserInterface& ui_;
};

// Shows each listed file and its percentage, and turns a pending cancel
// request into a stop of the codec.
class ProgressObserver final : public PackingObserver {
 public:
  explicit ProgressObserver(ProgressView* view) : view_(view) {}

  void StartFile(const std::string& name) override {
    if (view_ == nullptr) return;
    view_->SetRange(0, 100);
    view_->SetMessage(name);
  }

  bool Progress(std::int64_t percent) override {
    if (view_ == nullptr) return true;
    view_->SetPos(static_cast<int>(percent));
    return !view_->TakeCancel();
  }

 private:
  ProgressView* view_;
};

}  // namespace

bool ArchiveBuilder::BuildArchive(const std::string& script_path) {
  const std::string folder = FolderOf(script_path);
  const std::string file_name = FileNameOf(script_path);

  if (!folder.empty()) environment_.SetCurrentFolder(folder);
  UpdateInfo script(true);
  if (!script.LoadScriptFile(files_, file_name)) return false;

  if (!ui_.AskYesNo(FillPlaceholders(kQuestion, {file_name}))) return false;
  const std::optional<std::string> target = ui_.AskSavePath(kSuggestedName);
  if (!target) return true;
  // The save dialog may have moved the current folder.
  if (!folder.empty()) environment_.SetCurrentFolder(folder);

  std::unique_ptr<ProgressView> progress = ui_.OpenProgress();
  std::unique_ptr<BusyScope> busy = ui_.ShowBusy();
  MessageBoxReporter reporter(ui_);
  UpdateArchive archive(files_, &reporter);
  ProgressObserver observer(progress.get());
  if (PackArchive(archive, script, file_name, std::string(), &observer).status !=
      PackStatus::kComplete) {
    return false;
  }
  archive.Save(*target);
  return true;
}

}  // namespace quintarel
