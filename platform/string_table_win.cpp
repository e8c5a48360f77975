#include "platform/string_table_win.h"

#include "platform/string_table.h"

namespace quintarel {

std::string LoadModuleText(HMODULE module, int id) {
  // The longest text of the tables is far below this.
  char text[1024] = {};
  const int length = ::LoadStringA(module, static_cast<UINT>(id), text, sizeof text);
  return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

namespace {

class Win32StringTable final : public StringTable {
 public:
  std::string LoadText(int id) override { return LoadModuleText(::GetModuleHandleA(nullptr), id); }
};

// Reads the text from the table's resource block of sixteen counted UTF-16
// strings, since LoadString picks the language itself.
class Win32EnglishStringTable final : public StringTable {
 public:
  std::string LoadText(int id) override {
    const HMODULE module = ::GetModuleHandleA(nullptr);
    // Type 6 is RT_STRING, spelt wide whatever the build defines.
    const HRSRC block = ::FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(id / 16 + 1),
                                          MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (block == nullptr) return "";
    // Resources need no unlocking or freeing; the block stays with the module.
    const auto* text = static_cast<const WCHAR*>(::LockResource(::LoadResource(module, block)));
    if (text == nullptr) return "";
    for (int i = 0; i < id % 16; ++i) text += 1 + *text;
    const int length = *text++;
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) ::WideCharToMultiByte(CP_ACP, 0, text, length, narrow.data(), size, nullptr, nullptr);
    return narrow;
  }
};

}  // namespace

StringTable& EnglishStringTable() {
  static Win32EnglishStringTable table;
  return table;
}

StringTable& ProgramStringTable() {
  static Win32StringTable table;
  return table;
}

}  // namespace quintarel
