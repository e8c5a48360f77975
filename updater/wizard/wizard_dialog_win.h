#ifndef UPDATER_WIZARD_WIZARD_DIALOG_WIN_H_
#define UPDATER_WIZARD_WIZARD_DIALOG_WIN_H_

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "updater/ui/dialog_win.h"
#include "updater/app/updater_app.h"
#include "updater/ui/user_interface_win.h"
#include "updater/wizard/wizard_context.h"
#include "updater/wizard/wizard_view.h"

namespace quintarel {

// The upgrade mode's window (template 102): the picture, the heading and
// body texts and the four buttons. It shows what the steps tell it and
// passes every button on to its WizardContext, which it owns for one run;
// while it runs it is the main window that owns the message boxes.
class WizardDialog final : public Wizard, public WizardView, private Dialog {
 public:
  // services.ui must be ui: the dialog also registers itself with it as the
  // main window. Both outlive the dialog.
  WizardDialog(const WizardServices& services, Win32UserInterface& ui);
  ~WizardDialog() override;

  // Runs the wizard modally on the archive at archive_path; returns when it
  // has ended, for whatever reason.
  void Run(const std::string& archive_path) override;

  void SetButton(int control_id, const std::string& caption, bool enabled, bool visible) override;
  void SetHeading(const std::string& text) override;
  void SetBody(const std::optional<std::string>& text) override;
  void SetCaption(const std::string& text) override;
  void End(WizardResult result) override;

 private:
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void Open();
  void OnCommand(int id);
  void ShowTexts();
  // Moves the focus to a button when it sits on a control that can no
  // longer take input.
  void KeepFocusUsable();
  void PaintPicture();
  void RepaintAll();
  void ShowAbout();

  WizardServices services_;
  Win32UserInterface& ui_;
  HICON icon_;
  std::unique_ptr<WizardContext> context_;
  std::string archive_path_;
  std::string heading_;
  std::string body_;
};

}  // namespace quintarel

#endif  // UPDATER_WIZARD_WIZARD_DIALOG_WIN_H_
