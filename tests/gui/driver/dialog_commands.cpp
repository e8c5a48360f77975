// The commands that press buttons and keys and answer message boxes, the
// save-as dialog and the folder browser.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <optional>
#include <string>

#include "tests/gui/driver/commands.h"
#include "tests/gui/driver/window_query.h"

// The project's handle owners; the driver is built without the project's
// include folder, hence the path from the source root.
#include "platform/scoped_handle_win.h"

namespace quintarel::gui {

namespace {

constexpr int kSaveFileNameId = 1148;
constexpr int kFolderTreeId = 14145;

struct KeyName {
  const char* name;
  WPARAM key;
};
constexpr KeyName kKeys[] = {{"escape", VK_ESCAPE}, {"return", VK_RETURN}, {"tab", VK_TAB}, {"space", VK_SPACE}};

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

}  // namespace

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

}  // namespace quintarel::gui
