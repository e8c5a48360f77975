#include "updater/stand_in_wizard_win.h"

#include "package/script_values.h"
#include "updater/string_ids.h"
#include "updater/update_source.h"

namespace quintarel {

namespace {
constexpr int kWizardTemplate = 102;
constexpr int kHeading = 1001;
constexpr int kBack = 1003;
constexpr int kNext = 1004;
constexpr int kCancel = 1005;
}  // namespace

void StandInWizard::Run(const std::string& archive_path) {
  archive_path_ = archive_path;
  RunModal(kWizardTemplate, nullptr);
  ui_.SetMainWindow(nullptr);
}

INT_PTR StandInWizard::HandleMessage(UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      ui_.SetMainWindow(hwnd());
      UpdateArchive archive(files_);
      UpdateInfo script(environment_.CountryCode() == kJapanCountryCode);
      if (!OpenUpdate(archive_path_, archive, script)) {
        ui_.ShowMessage(environment_.LoadText(string_id::kArchiveUnusable),
                        MessageIcon::kInformation);
        ::EndDialog(hwnd(), 0);
        return TRUE;
      }
      if (std::optional<std::string> title = ReadTitle(script)) ui_.SetTitle(*title);
      ::SetWindowTextA(hwnd(), ui_.title().c_str());
      const std::string heading =
          ReadUpgradeText(script) + environment_.LoadText(string_id::kClickNext);
      ::SetDlgItemTextA(hwnd(), kHeading, heading.c_str());
      ::EnableWindow(::GetDlgItem(hwnd(), kBack), FALSE);
      ::EnableWindow(::GetDlgItem(hwnd(), kNext), FALSE);
      // The heading is read-only text: keep the focus off it.
      ::SetFocus(::GetDlgItem(hwnd(), kCancel));
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == kCancel) {
        ::EndDialog(hwnd(), LOWORD(wparam) == IDOK ? 1 : 2);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace quintarel
