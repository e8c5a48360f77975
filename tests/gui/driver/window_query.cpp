#include "tests/gui/driver/window_query.h"

#include <cstdio>

namespace quintarel::gui {

namespace {

// The icon of a message box: Windows and Wine number it differently.
constexpr int kMessageBoxIconId = 0x14;
constexpr int kWineMessageBoxIconId = 0x440;

}  // namespace

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

Selector::Selector(const Options& options) {
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

bool Selector::Matches(HWND window) const {
  if (!hidden_ok_ && !::IsWindowVisible(window)) return false;
  if (owner_ && ::GetWindow(window, GW_OWNER) != *owner_) return false;
  if (box_ && IsMessageBox(window) != *box_) return false;
  for (const int id : ids_) {
    if (FindDescendant(window, id) == nullptr) return false;
  }
  return !caption_ || WindowText(window) == *caption_;
}

HWND Selector::Find() const {
  if (window_ != nullptr) return ::IsWindow(window_) && Matches(window_) ? window_ : nullptr;
  for (HWND window : TopLevelWindows()) {
    if (Matches(window)) return window;
  }
  return nullptr;
}

std::string Selector::Describe() const {
  std::string text;
  if (window_ != nullptr) text += " window " + HandleText(window_);
  if (caption_) text += " captioned '" + Escape(*caption_) + "'";
  for (const int id : ids_) text += " with control " + std::to_string(id);
  if (box_) text += *box_ ? " (a message box)" : " (not a message box)";
  if (owner_) text += " owned by " + HandleText(*owner_);
  return text.empty() ? text : text.substr(1);
}

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

HWND WaitForEnabled(const Selector& selector, long long timeout) {
  const Deadline deadline(timeout);
  HWND window = WaitFor(selector, timeout);
  while (window != nullptr && !::IsWindowEnabled(window)) {
    if (deadline.Passed()) return nullptr;
    ::Sleep(kPollMilliseconds);
  }
  return window;
}

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

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

}  // namespace quintarel::gui
