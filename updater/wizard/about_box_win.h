#ifndef UPDATER_WIZARD_ABOUT_BOX_WIN_H_
#define UPDATER_WIZARD_ABOUT_BOX_WIN_H_

#include <windows.h>

#include <string>

#include "platform/file_versions.h"
#include "updater/ui/dialog_win.h"

namespace quintarel {

// The About box (template 100): the owner's title on top and the updater's
// own file version. It changes nothing.
class AboutBox final : private Dialog {
 public:
  AboutBox(FileVersions& versions, std::string title) : versions_(versions), title_(std::move(title)) {}

  // Runs modally over owner until OK or Esc.
  void Run(HWND owner);

 private:
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  FileVersions& versions_;
  std::string title_;
};

}  // namespace quintarel

#endif  // UPDATER_WIZARD_ABOUT_BOX_WIN_H_
