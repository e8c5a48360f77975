#include "platform/name_form_win.h"

#include <windows.h>

#include <limits>

namespace quintarel {

namespace {

constexpr std::size_t kMaxLength = static_cast<std::size_t>(std::numeric_limits<int>::max());

std::optional<std::wstring> WideFromCodePage(std::string_view name) {
  if (name.empty()) return std::wstring();
  if (name.size() > kMaxLength) return std::nullopt;
  const int length = static_cast<int>(name.size());
  const int units = ::MultiByteToWideChar(CP_ACP, 0, name.data(), length, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  if (::MultiByteToWideChar(CP_ACP, 0, name.data(), length, wide.data(), units) != units) {
    return std::nullopt;
  }
  return wide;
}

std::optional<std::string> CodePageFromWide(std::wstring_view name) {
  if (name.empty()) return std::string();
  if (name.size() > kMaxLength) return std::nullopt;
  const int length = static_cast<int>(name.size());
  const int bytes =
      ::WideCharToMultiByte(CP_ACP, 0, name.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::nullopt;
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  if (::WideCharToMultiByte(CP_ACP, 0, name.data(), length, narrow.data(), bytes, nullptr,
                            nullptr) != bytes) {
    return std::nullopt;
  }
  return narrow;
}

}  // namespace

std::optional<std::wstring> WideName(NameForm form, std::string_view name) {
  if (form == NameForm::kCodePage) return WideFromCodePage(name);
  const std::optional<std::u16string> units = Utf16FromUtf8(name);
  if (!units) return std::nullopt;
  return std::wstring(units->begin(), units->end());
}

std::optional<std::string> NarrowName(NameForm form, std::wstring_view name) {
  if (form == NameForm::kCodePage) return CodePageFromWide(name);
  return Utf8FromUtf16(std::u16string(name.begin(), name.end()));
}

std::optional<std::string> ConvertName(std::string_view name, NameForm from, NameForm to) {
  if (from == to) return std::string(name);
  const std::optional<std::wstring> wide = WideName(from, name);
  if (!wide) return std::nullopt;
  return NarrowName(to, *wide);
}

std::wstring ExtendedWhenLong(std::wstring path) {
  constexpr std::size_t kFolderLimit = MAX_PATH - 12;
  if (path.size() < kFolderLimit || path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) {
    return path;
  }
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace quintarel
