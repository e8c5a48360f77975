#ifndef UPDATER_UI_PROGRESS_DIALOG_WIN_H_
#define UPDATER_UI_PROGRESS_DIALOG_WIN_H_

#include <windows.h>

#include <string>

#include "updater/ui/dialog_win.h"
#include "updater/ui/user_interface.h"

namespace quintarel {

// The modeless dialog that shows an archive build's file and percentage and
// takes a cancel request. It disables its owner while it is open.
class ProgressDialog final : public Dialog, public ProgressView {
 public:
  // caption_id 0 keeps the template's caption.
  explicit ProgressDialog(int caption_id = 0) : caption_id_(caption_id) {}
  ~ProgressDialog() override;

  // Creates and shows the dialog; owner may be null. False when it cannot be
  // created (the owner is then enabled again).
  bool Create(HWND owner);

  void SetRange(int minimum, int maximum) override;
  void SetPos(int position) override;
  void SetMessage(const std::string& text) override;
  bool TakeCancel() override;
  // Handles every waiting message of the thread without waiting.
  void PumpMessages();

 private:
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  int caption_id_;
  int minimum_ = 0;
  int maximum_ = 100;
  bool cancel_requested_ = false;
  HWND disabled_owner_ = nullptr;
};

}  // namespace quintarel

#endif  // UPDATER_UI_PROGRESS_DIALOG_WIN_H_
