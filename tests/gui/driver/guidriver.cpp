// guidriver: drives another program's windows from inside the same Wine
// prefix, for the GUI scenarios. One subcommand per run; it prints what it
// found and exits 0 on success, 1 on a mismatch, 2 on a timeout and 3 on a
// usage error. Every wait is bounded.
//
// Windows are selected by --window HANDLE, or by --caption TEXT (exact)
// together with optional --has-id N (a descendant control with that id,
// repeatable), --box / --not-box (a message box is told from its owner by its
// text control 0xFFFF, since both carry the same caption) and --owner HANDLE.
// Texts are read as UTF-16 and converted with the process code page; an
// expected text is given with C escapes (--expect 'a\r\nb', \xNN for a
// byte) or as hex bytes (--expect-hex 82a0).
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The project's handle owners; the driver is built without the project's
// include folder, hence the relative path.
#include "platform/scoped_handle_win.h"

namespace quintarel::gui {

namespace {

enum ExitCode { kOk = 0, kMismatch = 1, kTimedOut = 2, kUsage = 3 };

constexpr int kMessageBoxTextId = 0xFFFF;
// The icon of a message box: Windows and Wine number it differently.
constexpr int kMessageBoxIconId = 0x14;
constexpr int kWineMessageBoxIconId = 0x440;
constexpr int kSaveFileNameId = 1148;
constexpr int kFolderTreeId = 14145;
constexpr DWORD kPollMilliseconds = 20;
constexpr DWORD kDefaultTimeout = 10000;
constexpr UINT kSendTimeout = 5000;

class UsageError {
 public:
  explicit UsageError(std::string message) : message_(std::move(message)) {}
  const std::string& message() const { return message_; }

 private:
  std::string message_;
};

// Options that take no value.
bool IsFlag(const std::string& name) {
  return name == "--box" || name == "--not-box" || name == "--hidden-ok" || name == "--cancel" ||
         name == "--print-hex" || name == "--common" || name == "--user";
}

// --name value pairs and flags; a name may repeat (--has-id).
class Options {
 public:
  Options(int argc, char** argv, int first) {
    for (int i = first; i < argc; ++i) {
      const std::string name = argv[i];
      if (name.rfind("--", 0) != 0) throw UsageError("unexpected argument '" + name + "'");
      if (IsFlag(name)) {
        values_.emplace(name.substr(2), "1");
        continue;
      }
      if (i + 1 >= argc) throw UsageError(name + " needs a value");
      values_.emplace(name.substr(2), argv[++i]);
    }
  }

  bool Has(const std::string& name) const { return values_.count(name) != 0; }

  std::string Get(const std::string& name) const {
    const auto found = values_.find(name);
    if (found == values_.end()) throw UsageError("--" + name + " is required");
    return found->second;
  }

  std::optional<std::string> Find(const std::string& name) const {
    const auto found = values_.find(name);
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }

  std::vector<std::string> All(const std::string& name) const {
    std::vector<std::string> all;
    const auto range = values_.equal_range(name);
    for (auto it = range.first; it != range.second; ++it) all.push_back(it->second);
    return all;
  }

  long long Number(const std::string& name, long long fallback) const {
    const std::optional<std::string> text = Find(name);
    if (!text) return fallback;
    char* end = nullptr;
    const long long value = std::strtoll(text->c_str(), &end, 0);
    if (end == text->c_str() || *end != '\0') throw UsageError("--" + name + ": not a number");
    return value;
  }

 private:
  std::multimap<std::string, std::string> values_;
};

HWND ParseHandle(const std::string& text) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (end == text.c_str() || *end != '\0') throw UsageError("'" + text + "' is not a window handle");
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
}

std::string HandleText(HWND window) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
  return text;
}

// Printable ASCII as it is, everything else escaped, so logs stay readable
// whatever the code page.
std::string Escape(const std::string& bytes) {
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == '\t') {
      text += "\\t";
    } else if (c == '\\') {
      text += "\\\\";
    } else if (byte < 0x20 || byte >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", byte);
      text += hex;
    } else {
      text += c;
    }
  }
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes += text[i];
      continue;
    }
    const char kind = text[++i];
    if (kind == 'r') {
      bytes += '\r';
    } else if (kind == 'n') {
      bytes += '\n';
    } else if (kind == 't') {
      bytes += '\t';
    } else if (kind == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
               HexDigit(text[i + 2]) >= 0) {
      bytes += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      bytes += kind;
    }
  }
  return bytes;
}

std::string FromHex(const std::string& hex) {
  if (hex.size() % 2 != 0) throw UsageError("odd number of hex digits");
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) throw UsageError("'" + hex + "' is not hex");
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

std::string ToHex(const std::string& bytes) {
  std::string hex;
  char pair[4];
  for (const char c : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
    hex += pair;
  }
  return hex;
}

// The expected text of --expect or --expect-hex, if either is given.
std::optional<std::string> ExpectedText(const Options& options) {
  if (const std::optional<std::string> text = options.Find("expect")) return Unescape(*text);
  if (const std::optional<std::string> hex = options.Find("expect-hex")) return FromHex(*hex);
  return std::nullopt;
}

// A window's text as the target shows it (UTF-16), in this process's code
// page. The send is bounded so that a hung target cannot hang the driver.
std::string WindowText(HWND window) {
  // The text may change between the two messages (a percentage going from
  // "9%" to "10%"): a buffer that turns out full is taken as cut short, and
  // the text is read again.
  std::wstring wide;
  DWORD_PTR copied = 0;
  for (int attempt = 0; attempt < 10; ++attempt) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout,
                               &length)) {
      return std::string();
    }
    wide.assign(length + 2, L'\0');
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, wide.size(),
                               reinterpret_cast<LPARAM>(wide.data()), SMTO_ABORTIFHUNG,
                               kSendTimeout, &copied)) {
      return std::string();
    }
    if (copied + 1 < wide.size()) break;
  }
  wide.resize(copied);
  if (wide.empty()) return std::string();
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), size,
                        nullptr, nullptr);
  return bytes;
}

std::string ClassName(HWND window) {
  char name[256] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

HWND FindDescendant(HWND parent, int id) {
  struct Search {
    int id;
    HWND found;
  } search = {id, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM context) -> BOOL {
        auto* search = reinterpret_cast<Search*>(context);
        if (::GetDlgCtrlID(child) != search->id) return TRUE;
        search->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  ::EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// A message box holds its text in a static control 0xFFFF, beside its icon
// and its buttons and nothing else. Dialogs use the same id for unnamed
// statics (the wizard's separator, the About box's lines), so a window with
// any other control is not a message box.
bool IsMessageBox(HWND window) {
  struct Search {
    bool text = false;
    bool other = false;
  } search;
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        auto* search = reinterpret_cast<Search*>(context);
        const int id = ::GetDlgCtrlID(child);
        if (id == kMessageBoxTextId) {
          search->text = search->text || ClassName(child) == "Static";
        } else if (!((id >= IDOK && id <= IDCONTINUE) || id == kMessageBoxIconId ||
                     id == kWineMessageBoxIconId)) {
          search->other = true;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.text && !search.other;
}

class Selector {
 public:
  // A selector built in code: visible windows with the given controls,
  // message boxes or not.
  Selector(std::vector<int> ids, bool box, std::optional<std::string> caption = std::nullopt,
           std::optional<HWND> owner = std::nullopt)
      : caption_(std::move(caption)), ids_(std::move(ids)), box_(box), owner_(owner) {}

  explicit Selector(const Options& options) {
    if (const std::optional<std::string> handle = options.Find("window")) window_ = ParseHandle(*handle);
    caption_ = options.Find("caption");
    for (const std::string& id : options.All("has-id")) ids_.push_back(std::stoi(id, nullptr, 0));
    if (options.Has("box")) box_ = true;
    if (options.Has("not-box")) box_ = false;
    if (const std::optional<std::string> owner = options.Find("owner")) owner_ = ParseHandle(*owner);
    hidden_ok_ = options.Has("hidden-ok");
    if (window_ == nullptr && !caption_ && !owner_ && ids_.empty() && !box_) {
      throw UsageError("select a window with --window, --caption, --has-id, --box or --owner");
    }
  }

  bool Matches(HWND window) const {
    if (!hidden_ok_ && !::IsWindowVisible(window)) return false;
    if (owner_ && ::GetWindow(window, GW_OWNER) != *owner_) return false;
    if (box_ && IsMessageBox(window) != *box_) return false;
    for (const int id : ids_) {
      if (FindDescendant(window, id) == nullptr) return false;
    }
    return !caption_ || WindowText(window) == *caption_;
  }

  // The first match, or none.
  HWND Find() const {
    if (window_ != nullptr) return ::IsWindow(window_) && Matches(window_) ? window_ : nullptr;
    for (HWND window : TopLevelWindows()) {
      if (Matches(window)) return window;
    }
    return nullptr;
  }

  std::string Describe() const {
    std::string text;
    if (window_ != nullptr) text += " window " + HandleText(window_);
    if (caption_) text += " captioned '" + Escape(*caption_) + "'";
    for (const int id : ids_) text += " with control " + std::to_string(id);
    if (box_) text += *box_ ? " (a message box)" : " (not a message box)";
    if (owner_) text += " owned by " + HandleText(*owner_);
    return text.empty() ? text : text.substr(1);
  }

 private:
  HWND window_ = nullptr;
  std::optional<std::string> caption_;
  std::vector<int> ids_;
  std::optional<bool> box_;
  std::optional<HWND> owner_;
  bool hidden_ok_ = false;
};

class Deadline {
 public:
  explicit Deadline(long long milliseconds)
      : end_(::GetTickCount64() + static_cast<ULONGLONG>(milliseconds < 0 ? 0 : milliseconds)) {}
  bool Passed() const { return ::GetTickCount64() >= end_; }

 private:
  ULONGLONG end_;
};

long long Timeout(const Options& options) { return options.Number("timeout", kDefaultTimeout); }

int TimedOut(const std::string& what) {
  std::fprintf(stderr, "guidriver: timed out: %s\n", what.c_str());
  return kTimedOut;
}

// Polls until the selector matches; null on timeout.
HWND WaitFor(const Selector& selector, long long timeout) {
  const Deadline deadline(timeout);
  for (;;) {
    if (HWND window = selector.Find()) return window;
    if (deadline.Passed()) return nullptr;
    ::Sleep(kPollMilliseconds);
  }
}

bool WaitUntilGone(HWND window, long long timeout) {
  const Deadline deadline(timeout);
  while (::IsWindow(window) && ::IsWindowVisible(window)) {
    if (deadline.Passed()) return false;
    ::Sleep(kPollMilliseconds);
  }
  return true;
}

// A posted click: a sent one would block inside whatever modal loop the
// button's handler opens. The window and the button must accept input first.
bool PostClick(HWND top, HWND button, long long timeout) {
  const Deadline deadline(timeout);
  while (!(::IsWindowEnabled(top) && ::IsWindowEnabled(button) && ::IsWindowVisible(button))) {
    if (deadline.Passed()) return false;
    ::Sleep(kPollMilliseconds);
  }
  return ::PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

HWND Control(HWND window, const Options& options) {
  const int id = static_cast<int>(options.Number("id", 0));
  return id == 0 ? window : FindDescendant(window, id);
}

void PrintWindow(HWND window, int depth) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  std::printf("%*s%s id=%d class=%s visible=%d enabled=%d pid=%lu owner=%s text='%s'\n", depth * 2,
              "", HandleText(window).c_str(), ::GetDlgCtrlID(window), ClassName(window).c_str(),
              ::IsWindowVisible(window) ? 1 : 0, ::IsWindowEnabled(window) ? 1 : 0,
              static_cast<unsigned long>(process),
              HandleText(::GetWindow(window, GW_OWNER)).c_str(), Escape(WindowText(window)).c_str());
}

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
// caller can start what it watches after that line.
int CommandNoNewWindows(const Options& options) {
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

bool CheckText(const char* what, const std::string& text, const std::optional<std::string>& expected) {
  if (!expected || text == *expected) return true;
  std::fprintf(stderr, "guidriver: %s is '%s' (hex %s), expected '%s' (hex %s)\n", what,
               Escape(text).c_str(), ToHex(text).c_str(), Escape(*expected).c_str(),
               ToHex(*expected).c_str());
  return false;
}

// Prints a control's text (the window's own without --id); with an
// expectation, waits until the text equals it.
int CommandText(const Options& options) {
  const Selector selector(options);
  const long long timeout = Timeout(options);
  HWND window = WaitFor(selector, timeout);
  if (window == nullptr) return TimedOut("no " + selector.Describe());
  HWND control = Control(window, options);
  if (control == nullptr) {
    std::fprintf(stderr, "guidriver: no control %s\n", options.Get("id").c_str());
    return kMismatch;
  }
  const std::optional<std::string> expected = ExpectedText(options);
  const Deadline deadline(expected ? timeout : 0);
  std::string text = WindowText(control);
  while (expected && text != *expected && !deadline.Passed()) {
    ::Sleep(kPollMilliseconds);
    text = WindowText(control);
  }
  std::printf("%s\n", Escape(text).c_str());
  if (options.Has("print-hex")) std::printf("hex %s acp %u\n", ToHex(text).c_str(), ::GetACP());
  return CheckText("text", text, expected) ? kOk : kMismatch;
}

// Whether a comma list of enabled, disabled, visible and hidden all hold.
bool StatesHold(HWND control, const std::string& states) {
  std::size_t start = 0;
  while (start < states.size()) {
    std::size_t comma = states.find(',', start);
    if (comma == std::string::npos) comma = states.size();
    const std::string word = states.substr(start, comma - start);
    start = comma + 1;
    if (word == "enabled" && !::IsWindowEnabled(control)) return false;
    if (word == "disabled" && ::IsWindowEnabled(control)) return false;
    if (word == "visible" && !::IsWindowVisible(control)) return false;
    if (word == "hidden" && ::IsWindowVisible(control)) return false;
    if (word != "enabled" && word != "disabled" && word != "visible" && word != "hidden") {
      throw UsageError("unknown state '" + word + "'");
    }
  }
  return true;
}

// Prints "enabled=E visible=V"; --expect takes a comma list of enabled,
// disabled, visible, hidden and waits until all hold.
int CommandState(const Options& options) {
  const Selector selector(options);
  const long long timeout = Timeout(options);
  HWND window = WaitFor(selector, timeout);
  if (window == nullptr) return TimedOut("no " + selector.Describe());
  HWND control = Control(window, options);
  if (control == nullptr) {
    std::fprintf(stderr, "guidriver: no control %s\n", options.Get("id").c_str());
    return kMismatch;
  }
  const std::string expected = options.Find("expect").value_or("");
  auto holds = [&] { return StatesHold(control, expected); };
  const Deadline deadline(expected.empty() ? 0 : timeout);
  bool ok = holds();
  while (!ok && !deadline.Passed()) {
    ::Sleep(kPollMilliseconds);
    ok = holds();
  }
  std::printf("enabled=%d visible=%d\n", ::IsWindowEnabled(control) ? 1 : 0,
              ::IsWindowVisible(control) ? 1 : 0);
  if (!ok) {
    std::fprintf(stderr, "guidriver: state is not %s\n", expected.c_str());
    return kMismatch;
  }
  return kOk;
}

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

// The control that has the keyboard focus in the window's thread, or null.
HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
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

HWND WaitForEnabled(const Selector& selector, long long timeout) {
  const Deadline deadline(timeout);
  HWND window = WaitFor(selector, timeout);
  while (window != nullptr && !::IsWindowEnabled(window)) {
    if (deadline.Passed()) return nullptr;
    ::Sleep(kPollMilliseconds);
  }
  return window;
}

// Posts WM_SYSCOMMAND: a system-menu item by its id, or SC_CLOSE (0xF060)
// for the close box. Posted, since the command may open a modal window.
int CommandSysCommand(const Options& options) {
  const Selector selector(options);
  HWND window = WaitForEnabled(selector, Timeout(options));
  if (window == nullptr) return TimedOut("no enabled " + selector.Describe());
  const auto command = static_cast<WPARAM>(options.Number("command", -1));
  return ::PostMessageA(window, WM_SYSCOMMAND, command, 0) ? kOk : kMismatch;
}

// Posts WM_COMMAND with a control id and no control, as the dialog manager
// sends IDOK and IDCANCEL.
int CommandCommand(const Options& options) {
  const Selector selector(options);
  HWND window = WaitForEnabled(selector, Timeout(options));
  if (window == nullptr) return TimedOut("no enabled " + selector.Describe());
  const auto id = static_cast<WORD>(options.Number("id", -1));
  return ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0) ? kOk : kMismatch;
}

struct KeyName {
  const char* name;
  WPARAM key;
};
constexpr KeyName kKeys[] = {{"escape", VK_ESCAPE}, {"return", VK_RETURN}, {"tab", VK_TAB}, {"space", VK_SPACE}};

// Posts a key press (down and up) to the control that has the focus in the
// window's thread, where the dialog manager sees it.
int CommandKey(const Options& options) {
  const Selector selector(options);
  HWND window = WaitForEnabled(selector, Timeout(options));
  if (window == nullptr) return TimedOut("no enabled " + selector.Describe());
  const std::string name = options.Get("key");
  WPARAM key = 0;
  for (const KeyName& known : kKeys) {
    if (name == known.name) key = known.key;
  }
  if (key == 0) throw UsageError("unknown key '" + name + "'");
  HWND target = FocusOf(window);
  if (target == nullptr || (target != window && !::IsChild(window, target))) target = window;
  const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << 16;
  if (!::PostMessageA(target, WM_KEYDOWN, key, scan | 1)) return kMismatch;
  return ::PostMessageA(target, WM_KEYUP, key, scan | 1 | (LPARAM{3} << 30)) ? kOk : kMismatch;
}

int CommandClick(const Options& options) {
  const Selector selector(options);
  const long long timeout = Timeout(options);
  HWND window = WaitFor(selector, timeout);
  if (window == nullptr) return TimedOut("no " + selector.Describe());
  HWND button = FindDescendant(window, static_cast<int>(options.Number("id", 0)));
  if (button == nullptr) {
    std::fprintf(stderr, "guidriver: no control %s\n", options.Get("id").c_str());
    return kMismatch;
  }
  if (!PostClick(window, button, timeout)) return TimedOut("control not enabled for a click");
  return kOk;
}

struct ButtonName {
  const char* name;
  int id;
};
constexpr ButtonName kButtons[] = {
    {"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
    {"ignore", IDIGNORE}, {"yes", IDYES},       {"no", IDNO},
};

int ButtonId(const std::string& name) {
  for (const ButtonName& button : kButtons) {
    if (name == button.name) return button.id;
  }
  throw UsageError("unknown button '" + name + "'");
}

// The names of a message box's visible buttons, comma-separated in the order
// of kButtons.
std::string BoxButtons(HWND box) {
  std::string names;
  for (const ButtonName& button : kButtons) {
    HWND control = ::GetDlgItem(box, button.id);
    if (control == nullptr || !::IsWindowVisible(control)) continue;
    if (!names.empty()) names += ',';
    names += button.name;
  }
  return names;
}


// Waits for a message box, checks its text, caption and buttons, presses
// the named button and waits until the box is gone. Prints the text.
int CommandAnswerBox(const Options& options) {
  const long long timeout = Timeout(options);
  const int button_id = ButtonId(options.Get("button"));
  std::optional<HWND> owner;
  if (const std::optional<std::string> handle = options.Find("owner")) owner = ParseHandle(*handle);
  const Selector selector({}, true, options.Find("caption"), owner);
  HWND box = WaitFor(selector, timeout);
  if (box == nullptr) return TimedOut("no " + selector.Describe());
  std::string text = WindowText(::GetDlgItem(box, kMessageBoxTextId));
  std::printf("%s\n", Escape(text).c_str());
  if (options.Has("print-hex")) std::printf("hex %s acp %u\n", ToHex(text).c_str(), ::GetACP());
  bool ok = CheckText("message text", text, ExpectedText(options));
  if (const std::optional<std::string> buttons = options.Find("buttons")) {
    const std::string shown = BoxButtons(box);
    if (shown != *buttons) {
      std::fprintf(stderr, "guidriver: buttons are '%s', expected '%s'\n", shown.c_str(), buttons->c_str());
      ok = false;
    }
  }
  if (!ok) return kMismatch;
  HWND button = ::GetDlgItem(box, button_id);
  if (button == nullptr) {
    std::fprintf(stderr, "guidriver: the box has no %s button\n", options.Get("button").c_str());
    return kMismatch;
  }
  if (!PostClick(box, button, timeout)) return TimedOut("message box button not enabled");
  if (!WaitUntilGone(box, timeout)) return TimedOut("message box still shown after the click");
  return kOk;
}

// Answers the save-as dialog: --cancel, or --path P typed into the file-name
// field and confirmed. --expect-name checks the suggested name first. An
// overwrite question (owned by the dialog; its caption varies) is answered
// with --overwrite yes|no, and fails the command when that is not given.
int CommandSaveAs(const Options& options) {
  const long long timeout = Timeout(options);
  const Selector selector({kSaveFileNameId}, false);
  HWND dialog = WaitFor(selector, timeout);
  if (dialog == nullptr) return TimedOut("no save-as dialog");
  HWND name_field = FindDescendant(dialog, kSaveFileNameId);
  std::string name = WindowText(name_field);
  if (const std::optional<std::string> expected = options.Find("expect-name")) {
    const Deadline deadline(timeout);
    while (name != *expected && !deadline.Passed()) {
      ::Sleep(kPollMilliseconds);
      name = WindowText(name_field);
    }
    std::printf("suggested '%s'\n", Escape(name).c_str());
    if (!CheckText("suggested name", name, *expected)) return kMismatch;
  }
  if (options.Has("cancel")) {
    if (!PostClick(dialog, ::GetDlgItem(dialog, IDCANCEL), timeout)) return TimedOut("Cancel not enabled");
    return WaitUntilGone(dialog, timeout) ? kOk : TimedOut("save-as dialog still shown");
  }
  const std::string path = options.Get("path");
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(name_field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                        SMTO_ABORTIFHUNG, kSendTimeout, &result);
  if (!PostClick(dialog, ::GetDlgItem(dialog, IDOK), timeout)) return TimedOut("OK not enabled");
  const Deadline deadline(timeout);
  bool answered = false;
  while (::IsWindow(dialog) && ::IsWindowVisible(dialog)) {
    if (deadline.Passed()) return TimedOut("save-as dialog still shown");
    for (HWND window : TopLevelWindows()) {
      if (::GetWindow(window, GW_OWNER) != dialog || !::IsWindowVisible(window) || !IsMessageBox(window)) {
        continue;
      }
      const std::string question = WindowText(::GetDlgItem(window, kMessageBoxTextId));
      std::printf("question '%s'\n", Escape(question).c_str());
      const std::optional<std::string> answer = options.Find("overwrite");
      if (!answer || answered) {
        std::fprintf(stderr, "guidriver: unexpected question from the save-as dialog\n");
        return kMismatch;
      }
      if (!PostClick(window, ::GetDlgItem(window, ButtonId(*answer)), timeout) ||
          !WaitUntilGone(window, timeout)) {
        return TimedOut("overwrite question not answered");
      }
      answered = true;
      if (*answer == "no") {
        PostClick(dialog, ::GetDlgItem(dialog, IDCANCEL), timeout);
      }
    }
    ::Sleep(kPollMilliseconds);
  }
  if (options.Has("overwrite") && !answered) {
    std::fprintf(stderr, "guidriver: no overwrite question was asked\n");
    return kMismatch;
  }
  return kOk;
}

// Memory in another process, released when done.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, std::size_t size)
      : process_(process),
        address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  void* address() const { return address_; }

 private:
  HANDLE process_;
  void* address_;
};

// The text of a tree control's selected item in another process: the item
// structure and its text buffer live in that process.
std::string SelectedTreeItemText(HANDLE process, HWND tree) {
  DWORD_PTR item = 0;
  if (!::SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_ABORTIFHUNG, kSendTimeout, &item) ||
      item == 0) {
    return std::string();
  }
  constexpr int kTextChars = 520;
  const RemoteBuffer remote(process, sizeof(TVITEMW) + kTextChars * sizeof(wchar_t));
  if (remote.address() == nullptr) return std::string();
  TVITEMW request = {};
  request.mask = TVIF_TEXT;
  request.hItem = reinterpret_cast<HTREEITEM>(item);
  request.pszText = reinterpret_cast<LPWSTR>(static_cast<char*>(remote.address()) + sizeof(TVITEMW));
  request.cchTextMax = kTextChars;
  DWORD_PTR result = 0;
  wchar_t text[kTextChars] = {};
  if (!::WriteProcessMemory(process, remote.address(), &request, sizeof request, nullptr) ||
      !::SendMessageTimeoutW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.address()),
                             SMTO_ABORTIFHUNG, kSendTimeout, &result) ||
      !::ReadProcessMemory(process, request.pszText, text, sizeof text - sizeof(wchar_t), nullptr)) {
    return std::string();
  }
  char bytes[kTextChars * 2] = {};
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
  return bytes;
}

// Picks a folder in the folder browser: the path is written into the
// browser's process and selected with BFFM_SETSELECTIONW, then OK.
int CommandBrowseFolder(const Options& options) {
  const long long timeout = Timeout(options);
  const Selector selector({kFolderTreeId}, false);
  HWND dialog = WaitFor(selector, timeout);
  if (dialog == nullptr) return TimedOut("no folder browser");
  std::printf("caption '%s'\n", Escape(WindowText(dialog)).c_str());
  if (options.Has("cancel")) {
    if (!PostClick(dialog, ::GetDlgItem(dialog, IDCANCEL), timeout)) return TimedOut("Cancel not enabled");
    return WaitUntilGone(dialog, timeout) ? kOk : TimedOut("folder browser still shown");
  }
  const std::string path = options.Get("path");
  std::wstring wide(path.size() + 1, L'\0');
  const int length = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), static_cast<int>(path.size()),
                                           wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(length) + 1);
  const std::size_t bytes = wide.size() * sizeof(wchar_t);

  DWORD process_id = 0;
  ::GetWindowThreadProcessId(dialog, &process_id);
  const ScopedKernelHandle process(
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id));
  if (!process) {
    std::fprintf(stderr, "guidriver: cannot open the browser's process (%lu)\n", ::GetLastError());
    return kMismatch;
  }
  const RemoteBuffer remote(process.get(), bytes);
  SIZE_T written = 0;
  if (remote.address() == nullptr ||
      !::WriteProcessMemory(process.get(), remote.address(), wide.data(), bytes, &written) ||
      written != bytes) {
    std::fprintf(stderr, "guidriver: cannot write into the browser's process (%lu)\n", ::GetLastError());
    return kMismatch;
  }
  // Wine's browser sometimes stops short of a folder it has not listed
  // before; the selection is checked by its tree item's text and sent again.
  const std::size_t separator = path.find_last_of('\\');
  const std::string leaf = separator == std::string::npos ? path : path.substr(separator + 1);
  HWND tree = ::GetDlgItem(dialog, kFolderTreeId);
  const Deadline deadline(timeout);
  std::string selected;
  for (;;) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote.address()),
                               SMTO_ABORTIFHUNG, kSendTimeout, &result)) {
      return TimedOut("the browser did not take the selection");
    }
    selected = SelectedTreeItemText(process.get(), tree);
    if (leaf.empty() || selected == leaf) break;
    if (deadline.Passed()) {
      std::fprintf(stderr, "guidriver: the browser selected '%s', not '%s'\n", Escape(selected).c_str(),
                   Escape(leaf).c_str());
      return kMismatch;
    }
    ::Sleep(200);
  }
  std::printf("selected '%s'\n", Escape(selected).c_str());
  if (!PostClick(dialog, ::GetDlgItem(dialog, IDOK), timeout)) return TimedOut("OK not enabled");
  return WaitUntilGone(dialog, timeout) ? kOk : TimedOut("folder browser still shown");
}

// The Start menu's program folder that --common or --user names.
std::string StartMenuPrograms(const Options& options) {
  const int id = options.Has("common") ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
  char folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, id | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                folder))) {
    throw UsageError("the Start menu's program folder cannot be resolved");
  }
  return folder;
}

// Makes the link --name below a Start-menu folder point at --target, as an
// installer does, or prints where it points now as "target 'T'".
int CommandLink(const Options& options) {
  const ComScope com;
  const std::string path = StartMenuPrograms(options) + "\\" + options.Get("name");
  ComPointer<IShellLinkA> link;
  ComPointer<IPersistFile> file;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.put()))) ||
      FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())))) {
    throw UsageError("no shell link object");
  }
  wchar_t wide[MAX_PATH] = {};
  ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  if (const std::optional<std::string> target = options.Find("target")) {
    const std::size_t folder_end = path.find_last_of('\\');
    ::SHCreateDirectoryExA(nullptr, path.substr(0, folder_end).c_str(), nullptr);
    if (FAILED(link->SetPath(target->c_str())) || FAILED(file->Save(wide, TRUE))) {
      std::fprintf(stderr, "guidriver: cannot save %s\n", path.c_str());
      return kMismatch;
    }
    std::printf("made '%s'\n", Escape(path).c_str());
    return kOk;
  }
  char target[MAX_PATH] = {};
  if (FAILED(file->Load(wide, STGM_READ)) ||
      FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) {
    std::fprintf(stderr, "guidriver: cannot read %s\n", path.c_str());
    return kMismatch;
  }
  std::printf("target '%s'\n", Escape(target).c_str());
  return kOk;
}

constexpr char kUsageText[] =
    "usage: guidriver COMMAND OPTIONS\n"
    "  list [--hidden-ok]                       top-level windows and their controls\n"
    "  wait-window SEL [--timeout MS]           print the handle of the first match\n"
    "  wait-gone SEL [--timeout MS]             until no window matches\n"
    "  absent SEL [--for MS]                    fail if a match shows during MS\n"
    "  no-new-windows [--for MS]                fail if a new window shows during MS\n"
    "  text SEL [--id N] [--expect T | --expect-hex H] [--print-hex]\n"
    "  state SEL --id N [--expect enabled,visible,...]\n"
    "  controls SEL --control 'ID|STATES[|TEXT]'... [--focus ID]\n"
    "                                           wait until every control matches\n"
    "  click SEL --id N                         post a click once enabled\n"
    "  command SEL --id N                       post WM_COMMAND (1 = IDOK, 2 = IDCANCEL)\n"
    "  syscommand SEL --command N               post WM_SYSCOMMAND (0xF060 = the close box)\n"
    "  key SEL --key escape|return|tab|space    post a key press to the focused control\n"
    "  answer-box [--caption C] [--owner H] --button yes|no|ok|cancel\n"
    "             [--expect T | --expect-hex H] [--buttons yes,no] [--print-hex]\n"
    "  save-as (--path P [--overwrite yes|no] | --cancel) [--expect-name N]\n"
    "  browse-folder (--path P | --cancel)\n"
    "  link (--common | --user) --name N [--target T]\n"
    "                                           make a Start-menu link, or print its target\n"
    "SEL: --window H | --caption C [--has-id N]... [--box | --not-box] [--owner H] [--hidden-ok]\n"
    "Every command takes --timeout MS (default 10000). Exit: 0 ok, 1 mismatch, 2 timeout, 3 usage.\n";

struct Command {
  const char* name;
  int (*run)(const Options&);
};

constexpr Command kCommands[] = {
    {"list", CommandList},           {"wait-window", CommandWaitWindow},
    {"wait-gone", CommandWaitGone},  {"absent", CommandAbsent},
    {"no-new-windows", CommandNoNewWindows}, {"text", CommandText},           {"state", CommandState},
    {"controls", CommandControls},   {"click", CommandClick},
    {"command", CommandCommand},     {"syscommand", CommandSysCommand},
    {"key", CommandKey},             {"answer-box", CommandAnswerBox},
    {"save-as", CommandSaveAs},      {"browse-folder", CommandBrowseFolder},
    {"link", CommandLink},
};

int Run(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    try {
      const int result = command.run(Options(argc, argv, 2));
      std::fflush(stdout);
      return result;
    } catch (const UsageError& error) {
      std::fprintf(stderr, "guidriver %s: %s\n", argv[1], error.message().c_str());
      return kUsage;
    } catch (const std::exception& error) {
      std::fprintf(stderr, "guidriver %s: %s\n", argv[1], error.what());
      return kUsage;
    }
  }
  std::fputs(kUsageText, stderr);
  return kUsage;
}

}  // namespace

}  // namespace quintarel::gui

int main(int argc, char** argv) { return quintarel::gui::Run(argc, argv); }
