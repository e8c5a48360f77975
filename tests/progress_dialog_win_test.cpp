// The archive build's progress dialog keeps the wait cursor while it exists.
// Needs a display: without one no dialog can be created and the test skips.
#include <windows.h>

#include <gtest/gtest.h>

#include "updater/ui/progress_dialog_win.h"

namespace quintarel {
namespace {

TEST(ProgressDialogWinTest, AnswersSetCursorWithTheWaitCursor) {
  ProgressDialog dialog;
  if (!dialog.Create(nullptr)) GTEST_SKIP() << "no display for dialogs";
  const HCURSOR arrow = ::LoadCursorA(nullptr, IDC_ARROW);
  const HCURSOR wait = ::LoadCursorA(nullptr, IDC_WAIT);
  ::SetCursor(arrow);
  // What the system sends when the mouse moves over the dialog or over one
  // of its controls (which ask their parent first).
  const HWND controls[] = {dialog.hwnd(), ::GetDlgItem(dialog.hwnd(), IDCANCEL)};
  for (const HWND control : controls) {
    ASSERT_NE(control, nullptr);
    ::SetCursor(arrow);
    const LRESULT handled = ::SendMessageA(control, WM_SETCURSOR,
                                           reinterpret_cast<WPARAM>(control),
                                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(handled, TRUE);
    EXPECT_EQ(::GetCursor(), wait);
  }
}

}  // namespace
}  // namespace quintarel
