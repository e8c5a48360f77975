#include "updater/wizard/about_box_win.h"

#include "resources/resource_ids.h"

namespace quintarel {

namespace {

// "a.b" of the running program's file version; "0" when it has none.
std::string OwnVersionText(FileVersions& versions) {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
  std::string text = "0";
  if (length > 0 && length < sizeof path) versions.VersionText(path, text);
  return text;
}

// Centred on the screen, where the message boxes appear too.
void CentreOnScreen(HWND window) {
  RECT box = {};
  ::GetWindowRect(window, &box);
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  ::SetWindowPos(window, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void AboutBox::Run(HWND owner) { RunModal(IDD_ABOUT, owner); }

INT_PTR AboutBox::HandleMessage(UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      ::SetDlgItemTextA(hwnd(), IDC_ABOUT_TITLE, title_.c_str());
      const std::string version = "Version " + OwnVersionText(versions_);
      ::SetDlgItemTextA(hwnd(), IDC_ABOUT_VERSION, version.c_str());
      CentreOnScreen(hwnd());
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        ::EndDialog(hwnd(), LOWORD(wparam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace quintarel
