// Finding another process's windows, reading their texts and states,
// waiting for them and posting clicks to them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/gui/driver/driver_options.h"

namespace quintarel::gui {

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr UINT kSendTimeout = 5000;

// A window's text as the target shows it (UTF-16), in this process's code
// page. The send is bounded so that a hung target cannot hang the driver.
std::string WindowText(HWND window);
std::string ClassName(HWND window);
HWND FindDescendant(HWND parent, int id);
std::vector<HWND> TopLevelWindows();
// A message box holds its text in a static control 0xFFFF, beside its icon
// and its buttons and nothing else. Dialogs use the same id for unnamed
// statics (the wizard's separator, the About box's lines), so a window with
// any other control is not a message box.
bool IsMessageBox(HWND window);
// The control that has the keyboard focus in the window's thread, or null.
HWND FocusOf(HWND window);
// Whether a comma list of enabled, disabled, visible and hidden all hold.
bool StatesHold(HWND control, const std::string& states);
// The control --id names, the window itself without it; null when missing.
HWND Control(HWND window, const Options& options);
void PrintWindow(HWND window, int depth);

// Windows chosen by --window, or by caption, controls, message box or not,
// and owner.
class Selector {
 public:
  // A selector built in code: visible windows with the given controls,
  // message boxes or not.
  Selector(std::vector<int> ids, bool box, std::optional<std::string> caption = std::nullopt,
           std::optional<HWND> owner = std::nullopt)
      : caption_(std::move(caption)), ids_(std::move(ids)), box_(box), owner_(owner) {}
  explicit Selector(const Options& options);

  bool Matches(HWND window) const;
  // The first match, or none.
  HWND Find() const;
  std::string Describe() const;

 private:
  HWND window_ = nullptr;
  std::optional<std::string> caption_;
  std::vector<int> ids_;
  std::optional<bool> box_;
  std::optional<HWND> owner_;
  bool hidden_ok_ = false;
};

// Polls until the selector matches; null on timeout.
HWND WaitFor(const Selector& selector, long long timeout);
// The first match once it is enabled; null on timeout.
HWND WaitForEnabled(const Selector& selector, long long timeout);
bool WaitUntilGone(HWND window, long long timeout);
// A posted click: a sent one would block inside whatever modal loop the
// button's handler opens. The window and the button must accept input first.
bool PostClick(HWND top, HWND button, long long timeout);

}  // namespace quintarel::gui
