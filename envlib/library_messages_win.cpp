#include "envlib/library_messages_win.h"

#include "package/path.h"
#include "platform/scoped_handle_win.h"
#include "platform/string_table_win.h"

namespace quintarel {

namespace {

// FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
// FORMAT_MESSAGE_IGNORE_INSERTS, in the user's language.
constexpr DWORD kSystemMessageFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD kUserLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

}  // namespace

std::string Win32LibraryMessages::LoadText(int id) { return LoadModuleText(module_(), id); }

void Win32LibraryMessages::ShowStop(const std::string& text) { Show(text, MB_ICONSTOP); }

void Win32LibraryMessages::ShowExclamation(const std::string& text) {
  Show(text, MB_ICONEXCLAMATION);
}

void Win32LibraryMessages::ShowSystemError(std::uint32_t code, const std::string& text) {
  ::MessageBoxA(nullptr, SystemErrorText(code, text).c_str(), "Error", MB_OK | MB_ICONINFORMATION);
}

void Win32LibraryMessages::Show(const std::string& text, UINT icon) {
  ::MessageBoxA(::GetActiveWindow(), text.c_str(), ModuleTitle(module_()).c_str(), MB_OK | icon);
}

std::string ModuleTitle(HMODULE module) {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(module, path, sizeof path);
  if (length == 0 || length >= sizeof path) return std::string();
  std::string name = FileNameOf(std::string(path, length));
  // A trail byte of the double-byte code pages is never a '.'.
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

std::string SystemErrorText(std::uint32_t code, const std::string& text) {
  ScopedLocalBlock<char*> description;
  const DWORD length =
      ::FormatMessageA(kSystemMessageFlags, nullptr, code, kUserLanguage,
                       reinterpret_cast<char*>(description.put()), 0, nullptr);
  if (length == 0 || !description) return text + "\n" + std::to_string(code);
  return text + "\n" + std::string(description.get(), length);
}

}  // namespace quintarel
