#include "updater/stand_in_wizard_win.h"

#include "package/script_values.h"
#include "resources/resource_ids.h"
#include "updater/update_source.h"

namespace quintarel {

void StandInWizard::Run(const std::string& archive_path) {
  archive_path_ = archive_path;
  RunModal(IDD_WIZARD, nullptr);
  ui_.SetMainWindow(nullptr);
}

INT_PTR StandInWizard::HandleMessage(UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      ui_.SetMainWindow(hwnd());
      UpdateArchive archive(files_);
      UpdateInfo script(environment_.CountryCode() == kJapanCountryCode);
      if (!OpenUpdate(archive_path_, archive, script)) {
        ui_.ShowMessage(environment_.LoadText(IDS_FILES_MISSING),
                        MessageIcon::kInformation);
        ::EndDialog(hwnd(), 0);
        return TRUE;
      }
      if (std::optional<std::string> title = ReadTitle(script)) ui_.SetTitle(*title);
      ::SetWindowTextA(hwnd(), ui_.title().c_str());
      const std::string heading =
          ReadUpgradeText(script) + environment_.LoadText(IDS_INTRO_CLICK_NEXT);
      ::SetDlgItemTextA(hwnd(), IDC_WIZARD_HEADING, heading.c_str());
      ::EnableWindow(::GetDlgItem(hwnd(), IDC_WIZARD_BACK), FALSE);
      ::EnableWindow(::GetDlgItem(hwnd(), IDC_WIZARD_NEXT), FALSE);
      // The heading is read-only text: keep the focus off it.
      ::SetFocus(::GetDlgItem(hwnd(), IDC_WIZARD_CANCEL));
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDC_WIZARD_CANCEL) {
        ::EndDialog(hwnd(), LOWORD(wparam) == IDOK ? 1 : 2);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace quintarel
