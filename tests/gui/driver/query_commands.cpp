// The commands that find windows, wait for them and check what they show.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tests/gui/driver/commands.h"
#include "tests/gui/driver/window_query.h"

// The project's handle owners; the driver is built without the project's
// include folder, hence the path from the source root.
#include "platform/scoped_handle_win.h"

namespace quintarel::gui {

namespace {

// One control's expectation of the controls command: "ID|STATES" or
// "ID|STATES|TEXT", STATES a comma list as for state (may be empty), TEXT
// with C escapes (it may itself hold "|").
struct ControlCheck {
  int id = 0;
  std::string states;
  std::optional<std::string> text;
};

ControlCheck ParseControlCheck(const std::string& text) {
  const std::size_t first = text.find('|');
  if (first == std::string::npos) throw UsageError("--control '" + text + "': expected ID|STATES[|TEXT]");
  ControlCheck check;
  check.id = std::stoi(text.substr(0, first), nullptr, 0);
  const std::size_t second = text.find('|', first + 1);
  check.states = text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
  if (second != std::string::npos) check.text = Unescape(text.substr(second + 1));
  return check;
}

}  // namespace

int CommandList(const Options& options) {
  const bool all = options.Has("hidden-ok");
  for (HWND window : TopLevelWindows()) {
    if (!all && !::IsWindowVisible(window)) continue;
    PrintWindow(window, 0);
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      PrintWindow(child, 1);
    }
  }
  return kOk;
}

int CommandWaitWindow(const Options& options) {
  const Selector selector(options);
  HWND window = WaitFor(selector, Timeout(options));
  if (window == nullptr) return TimedOut("no " + selector.Describe());
  std::printf("%s\n", HandleText(window).c_str());
  return kOk;
}

int CommandWaitGone(const Options& options) {
  const Selector selector(options);
  const Deadline deadline(Timeout(options));
  while (HWND window = selector.Find()) {
    if (deadline.Passed()) return TimedOut(selector.Describe() + " still shown");
    WaitUntilGone(window, kPollMilliseconds);
  }
  return kOk;
}

// Fails if a matching window shows at any time during --for milliseconds.
int CommandAbsent(const Options& options) {
  const Selector selector(options);
  const Deadline deadline(options.Number("for", 1000));
  do {
    if (HWND window = selector.Find()) {
      std::fprintf(stderr, "guidriver: unexpected %s: %s\n", selector.Describe().c_str(),
                   HandleText(window).c_str());
      return kMismatch;
    }
    ::Sleep(kPollMilliseconds);
  } while (!deadline.Passed());
  return kOk;
}

// Fails if any top-level window that was not shown at the start shows
// during --for milliseconds. Prints "ready" once it has taken stock, so a
// caller can start what it watches after that line. --hold PATH keeps that
// file open without sharing meanwhile, as a program using it would.
int CommandNoNewWindows(const Options& options) {
  ScopedFileHandle held;
  if (const std::optional<std::string> path = options.Find("hold")) {
    held.reset(::CreateFileA(path->c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held) throw UsageError("cannot open " + *path);
  }
  std::vector<HWND> known;
  for (HWND window : TopLevelWindows()) {
    if (::IsWindowVisible(window)) known.push_back(window);
  }
  std::printf("ready\n");
  std::fflush(stdout);
  const Deadline deadline(options.Number("for", 1000));
  do {
    for (HWND window : TopLevelWindows()) {
      if (!::IsWindowVisible(window)) continue;
      bool seen = false;
      for (HWND old : known) seen = seen || old == window;
      if (seen) continue;
      std::fprintf(stderr, "guidriver: a new window showed:\n");
      PrintWindow(window, 0);
      return kMismatch;
    }
    ::Sleep(kPollMilliseconds);
  } while (!deadline.Passed());
  return kOk;
}

namespace {

// Waits for the selected window and gives its control (--id; the window
// itself without). Null after saying why, with the command's result in
// *failure.
HWND WaitForControl(const Options& options, long long timeout, int* failure) {
  const Selector selector(options);
  HWND window = WaitFor(selector, timeout);
  if (window == nullptr) {
    *failure = TimedOut("no " + selector.Describe());
    return nullptr;
  }
  HWND control = Control(window, options);
  if (control == nullptr) {
    std::fprintf(stderr, "guidriver: no control %s\n", options.Get("id").c_str());
    *failure = kMismatch;
  }
  return control;
}

// Tries holds at once and then every poll interval until it holds or
// timeout milliseconds have passed; whether it held at the last try.
template <typename Condition>
bool PollUntil(long long timeout, Condition holds) {
  const Deadline deadline(timeout);
  bool held = holds();
  while (!held && !deadline.Passed()) {
    ::Sleep(kPollMilliseconds);
    held = holds();
  }
  return held;
}

}  // namespace

// Prints a control's text (the window's own without --id); with an
// expectation, waits until the text equals it.
int CommandText(const Options& options) {
  const long long timeout = Timeout(options);
  int failure = kOk;
  HWND control = WaitForControl(options, timeout, &failure);
  if (control == nullptr) return failure;
  const std::optional<std::string> expected = ExpectedText(options);
  std::string text;
  PollUntil(expected ? timeout : 0, [&] {
    text = WindowText(control);
    return !expected || text == *expected;
  });
  std::printf("%s\n", Escape(text).c_str());
  if (options.Has("print-hex")) std::printf("hex %s acp %u\n", ToHex(text).c_str(), ::GetACP());
  return CheckText("text", text, expected) ? kOk : kMismatch;
}

// Prints "enabled=E visible=V"; --expect takes a comma list of enabled,
// disabled, visible, hidden and waits until all hold.
int CommandState(const Options& options) {
  const long long timeout = Timeout(options);
  int failure = kOk;
  HWND control = WaitForControl(options, timeout, &failure);
  if (control == nullptr) return failure;
  const std::string expected = options.Find("expect").value_or("");
  const bool ok = PollUntil(expected.empty() ? 0 : timeout, [&] { return StatesHold(control, expected); });
  std::printf("enabled=%d visible=%d\n", ::IsWindowEnabled(control) ? 1 : 0,
              ::IsWindowVisible(control) ? 1 : 0);
  if (!ok) {
    std::fprintf(stderr, "guidriver: state is not %s\n", expected.c_str());
    return kMismatch;
  }
  return kOk;
}

// Checks several controls of one window at once (a wizard page in one
// call): waits until every --control holds, and --focus ID names the control
// with the keyboard focus. On a mismatch prints what each control shows.
int CommandControls(const Options& options) {
  const Selector selector(options);
  const long long timeout = Timeout(options);
  HWND window = WaitFor(selector, timeout);
  if (window == nullptr) return TimedOut("no " + selector.Describe());
  std::vector<ControlCheck> checks;
  for (const std::string& text : options.All("control")) checks.push_back(ParseControlCheck(text));
  // -1: the focus is not checked (no control has that id).
  const long long focus = options.Number("focus", -1);
  auto holds = [&] {
    for (const ControlCheck& check : checks) {
      HWND control = FindDescendant(window, check.id);
      if (control == nullptr || !StatesHold(control, check.states)) return false;
      if (check.text && WindowText(control) != *check.text) return false;
    }
    return focus == -1 || ::GetDlgCtrlID(FocusOf(window)) == focus;
  };
  const Deadline deadline(timeout);
  bool ok = holds();
  while (!ok && !deadline.Passed() && ::IsWindow(window)) {
    ::Sleep(kPollMilliseconds);
    ok = holds();
  }
  if (ok) return kOk;
  std::fprintf(stderr, "guidriver: the controls do not match; they show:\n");
  for (const ControlCheck& check : checks) {
    HWND control = FindDescendant(window, check.id);
    if (control == nullptr) {
      std::fprintf(stderr, "  %d missing\n", check.id);
      continue;
    }
    std::fprintf(stderr, "  %d|%s,%s|%s%s\n", check.id, ::IsWindowEnabled(control) ? "enabled" : "disabled",
                 ::IsWindowVisible(control) ? "visible" : "hidden", Escape(WindowText(control)).c_str(),
                 check.text && WindowText(control) != *check.text
                     ? ("   (expected '" + Escape(*check.text) + "')").c_str()
                     : "");
  }
  if (focus != -1) std::fprintf(stderr, "  focus on %d, expected %lld\n", ::GetDlgCtrlID(FocusOf(window)), focus);
  return kMismatch;
}

}  // namespace quintarel::gui
