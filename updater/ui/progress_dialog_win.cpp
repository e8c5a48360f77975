#include "updater/ui/progress_dialog_win.h"

#include <commctrl.h>

#include <utility>

#include "resources/resource_ids.h"
#include "updater/ui/progress_text.h"

namespace quintarel {

ProgressDialog::~ProgressDialog() {
  if (disabled_owner_ != nullptr) ::EnableWindow(disabled_owner_, TRUE);
  if (hwnd() != nullptr) ::DestroyWindow(hwnd());
}

bool ProgressDialog::Create(HWND owner) {
  if (owner != nullptr && ::IsWindowEnabled(owner)) {
    ::EnableWindow(owner, FALSE);
    disabled_owner_ = owner;
  }
  if (CreateModeless(IDD_PROGRESS, owner) == nullptr) {
    if (disabled_owner_ != nullptr) ::EnableWindow(std::exchange(disabled_owner_, nullptr), TRUE);
    return false;
  }
  ::ShowWindow(hwnd(), SW_SHOW);
  ::UpdateWindow(hwnd());
  return true;
}

void ProgressDialog::SetRange(int minimum, int maximum) {
  minimum_ = minimum;
  maximum_ = maximum;
  ::SendDlgItemMessageA(hwnd(), IDC_PROGRESS_BAR, PBM_SETRANGE, 0,
                        MAKELPARAM(static_cast<WORD>(minimum), static_cast<WORD>(maximum)));
}

void ProgressDialog::SetPos(int position) {
  PumpMessages();
  ::SendDlgItemMessageA(hwnd(), IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  const std::string text = ProgressPercentText(position, minimum_, maximum_);
  char current[32] = {};
  ::GetDlgItemTextA(hwnd(), IDC_PROGRESS_PERCENT, current, sizeof current);
  if (text != current) ::SetDlgItemTextA(hwnd(), IDC_PROGRESS_PERCENT, text.c_str());
}

void ProgressDialog::SetMessage(const std::string& text) {
  ::SetDlgItemTextA(hwnd(), IDC_PROGRESS_FILE, text.c_str());
}

bool ProgressDialog::TakeCancel() {
  PumpMessages();
  return std::exchange(cancel_requested_, false);
}

void ProgressDialog::PumpMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (hwnd() != nullptr && ::IsDialogMessageA(hwnd(), &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

INT_PTR ProgressDialog::HandleMessage(UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ::SendDlgItemMessageA(hwnd(), IDC_PROGRESS_BAR, PBM_SETRANGE, 0,
                            MAKELPARAM(static_cast<WORD>(minimum_), static_cast<WORD>(maximum_)));
      ::SendDlgItemMessageA(hwnd(), IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(minimum_), 0);
      if (caption_id_ != 0) {
        char caption[256] = {};
        ::LoadStringA(::GetModuleHandleA(nullptr), static_cast<UINT>(caption_id_), caption,
                      sizeof caption);
        ::SetWindowTextA(hwnd(), caption);
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDCANCEL) cancel_requested_ = true;
      return LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL;
    case WM_SETCURSOR:
      // The dialog exists only while the build is busy; without this the
      // class cursor replaces the wait cursor as soon as the mouse moves.
      ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
      ::SetWindowLongPtrA(hwnd(), DWLP_MSGRESULT, TRUE);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace quintarel
