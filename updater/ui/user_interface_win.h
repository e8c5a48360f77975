#ifndef UPDATER_UI_USER_INTERFACE_WIN_H_
#define UPDATER_UI_USER_INTERFACE_WIN_H_

#include <windows.h>

#include "updater/ui/user_interface.h"

namespace quintarel {

// Message boxes and dialogs over Win32. This is where the message-box
// convention lives: owner = the main window when there is one, caption = the
// current title.
class Win32UserInterface final : public UserInterface {
 public:
  Win32UserInterface() = default;

  void SetTitle(const std::string& title) override { title_ = title; }
  const std::string& title() const override { return title_; }
  void SetMainWindow(HWND window) { main_window_ = window; }
  HWND main_window() const { return main_window_; }

  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& text) override;
  std::optional<std::string> AskSavePath(const std::string& suggested_name) override;
  std::unique_ptr<ProgressView> OpenProgress() override;
  std::unique_ptr<BusyScope> ShowBusy() override;

 private:
  std::string title_ = "Updater";
  HWND main_window_ = nullptr;
};

}  // namespace quintarel

#endif  // UPDATER_UI_USER_INTERFACE_WIN_H_
