#ifndef UPDATER_WIZARD_WIZARD_VIEW_H_
#define UPDATER_WIZARD_WIZARD_VIEW_H_

#include <optional>
#include <string>

namespace quintarel {

// How the wizard dialog ends; nobody reads the result, it only tells why.
enum class WizardResult { kNotBuilt = 0, kOk = 1, kCancel = 2 };

// The wizard dialog's primitives, as the steps use them. Each takes effect
// on the screen at once.
class WizardView {
 public:
  virtual ~WizardView() = default;

  // Enables or disables the button with this control id, sets its caption
  // and shows or hides it.
  virtual void SetButton(int control_id, const std::string& caption, bool enabled,
                         bool visible) = 0;
  // The heading text above the body.
  virtual void SetHeading(const std::string& text) = 0;
  // The body text; nothing hides the body box.
  virtual void SetBody(const std::optional<std::string>& text) = 0;
  // The window caption, when the script names a title.
  virtual void SetCaption(const std::string& text) = 0;
  // Closes the dialog.
  virtual void End(WizardResult result) = 0;
};

}  // namespace quintarel

#endif  // UPDATER_WIZARD_WIZARD_VIEW_H_
