#include "envlib/library_messages_win.h"

#include "platform/name_form_win.h"
#include "platform/scoped_handle_win.h"

namespace quintarel {

namespace {

// FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
// FORMAT_MESSAGE_IGNORE_INSERTS, in the user's language.
constexpr DWORD kSystemMessageFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD kUserLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
// The longest text of the string table is far below this.
constexpr int kTextCapacity = 1024;

// The library's texts are UTF-8; bytes that are not (they never should be)
// are most likely the code page's.
std::wstring ShownText(const std::string& text) {
  std::optional<std::wstring> wide = WideName(NameForm::kUtf8, text);
  if (!wide) wide = WideName(NameForm::kCodePage, text);
  return wide.value_or(std::wstring());
}

std::string Utf8(std::wstring_view text) { return NarrowName(NameForm::kUtf8, text).value_or(""); }

}  // namespace

std::string Win32LibraryMessages::LoadText(int id) {
  wchar_t text[kTextCapacity] = {};
  const int length = ::LoadStringW(module_(), static_cast<UINT>(id), text, kTextCapacity);
  return Utf8(std::wstring_view(text, length > 0 ? static_cast<std::size_t>(length) : 0));
}

void Win32LibraryMessages::ShowStop(const std::string& text) { Show(text, MB_ICONSTOP); }

void Win32LibraryMessages::ShowExclamation(const std::string& text) {
  Show(text, MB_ICONEXCLAMATION);
}

void Win32LibraryMessages::ShowSystemError(std::uint32_t code, const std::string& text) {
  ::MessageBoxW(nullptr, ShownText(SystemErrorText(code, text)).c_str(), L"Error",
                MB_OK | MB_ICONINFORMATION);
}

void Win32LibraryMessages::Show(const std::string& text, UINT icon) {
  ::MessageBoxW(::GetActiveWindow(), ShownText(text).c_str(),
                ShownText(ModuleTitle(module_())).c_str(), MB_OK | icon);
}

void LoggedLibraryMessages::ShowSystemError(std::uint32_t code, const std::string& text) {
  Log(SystemErrorText(code, text));
}

void LoggedLibraryMessages::Log(const std::string& text) {
  if (sink_ == nullptr) return;
  // Converted from the very wide text a box would show, so that the line
  // reads as the box would in the code page.
  sink_(context_, NarrowName(NameForm::kCodePage, ShownText(text)).value_or("").c_str());
}

std::string ModuleTitle(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  std::wstring_view file(path, length);
  file.remove_prefix(file.find_last_of(L'\\') + 1);
  std::string name = Utf8(file);
  // No byte of a UTF-8 character but '.' itself is a '.'.
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

std::string SystemErrorText(std::uint32_t code, const std::string& text) {
  ScopedLocalBlock<wchar_t*> description;
  const DWORD length =
      ::FormatMessageW(kSystemMessageFlags, nullptr, code, kUserLanguage,
                       reinterpret_cast<wchar_t*>(description.put()), 0, nullptr);
  if (length == 0 || !description) return text + "\n" + std::to_string(code);
  return text + "\n" + Utf8(std::wstring_view(description.get(), length));
}

}  // namespace quintarel
