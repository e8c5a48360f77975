#ifndef UPDATER_UI_DIALOG_WIN_H_
#define UPDATER_UI_DIALOG_WIN_H_

#include <windows.h>

namespace quintarel {

// Base of the updater's dialogs: one dialog procedure stores the object at
// creation and forwards every message to HandleMessage. No exception leaves
// the procedure.
class Dialog {
 public:
  Dialog() = default;
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  HWND hwnd() const { return hwnd_; }

 protected:
  // Runs the dialog modally from its template; returns EndDialog's result.
  INT_PTR RunModal(int template_id, HWND owner);
  // Creates the dialog modelessly from its template.
  HWND CreateModeless(int template_id, HWND owner);

  // Returns TRUE when the message was handled, as a dialog procedure does.
  virtual INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
};

}  // namespace quintarel

#endif  // UPDATER_UI_DIALOG_WIN_H_
