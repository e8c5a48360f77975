#ifndef UPDATER_UI_USER_INTERFACE_H_
#define UPDATER_UI_USER_INTERFACE_H_

#include <memory>
#include <optional>
#include <string>

namespace quintarel {

enum class MessageIcon { kInformation, kExclamation };

// The modeless progress dialog of an archive build.
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void SetRange(int minimum, int maximum) = 0;
  // Handles pending input, moves the bar and updates the percentage text.
  virtual void SetPos(int position) = 0;
  virtual void SetMessage(const std::string& text) = 0;
  // Handles pending input, then returns and clears the cancel request.
  virtual bool TakeCancel() = 0;
};

// Shows the wait cursor for as long as it lives.
class BusyScope {
 public:
  virtual ~BusyScope() = default;
};

// The updater's dialogs and message boxes. Every message box follows one
// convention: it is owned by the main window when there is one, and its
// caption is the current program title.
class UserInterface {
 public:
  virtual ~UserInterface() = default;

  virtual void SetTitle(const std::string& title) = 0;
  virtual const std::string& title() const = 0;

  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // The save-as dialog, suggesting a file name; nothing when cancelled.
  virtual std::optional<std::string> AskSavePath(const std::string& suggested_name) = 0;
  // Opens the progress dialog; null when it cannot be created.
  virtual std::unique_ptr<ProgressView> OpenProgress() = 0;
  virtual std::unique_ptr<BusyScope> ShowBusy() = 0;
};

}  // namespace quintarel

#endif  // UPDATER_UI_USER_INTERFACE_H_
