#include "updater/ui/user_interface_win.h"

#include <commdlg.h>

#include "updater/ui/progress_dialog_win.h"

namespace quintarel {

namespace {

class WaitCursor final : public BusyScope {
 public:
  WaitCursor() : previous_(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
  ~WaitCursor() override { ::SetCursor(previous_); }

 private:
  HCURSOR previous_;
};

}  // namespace

void Win32UserInterface::ShowMessage(const std::string& text, MessageIcon icon) {
  const UINT style = icon == MessageIcon::kExclamation ? MB_ICONEXCLAMATION : MB_ICONINFORMATION;
  ::MessageBoxA(main_window_, text.c_str(), title_.c_str(), MB_OK | style);
}

bool Win32UserInterface::AskYesNo(const std::string& text) {
  return ::MessageBoxA(main_window_, text.c_str(), title_.c_str(), MB_YESNO | MB_ICONQUESTION) ==
         IDYES;
}

std::optional<std::string> Win32UserInterface::AskSavePath(const std::string& suggested_name) {
  char path[MAX_PATH] = {};
  suggested_name.copy(path, MAX_PATH - 1);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = main_window_;
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (!::GetSaveFileNameA(&dialog)) return std::nullopt;
  return std::string(path);
}

std::unique_ptr<ProgressView> Win32UserInterface::OpenProgress() {
  auto dialog = std::make_unique<ProgressDialog>();
  if (!dialog->Create(main_window_)) return nullptr;
  return dialog;
}

std::unique_ptr<BusyScope> Win32UserInterface::ShowBusy() { return std::make_unique<WaitCursor>(); }

}  // namespace quintarel
