#include <windows.h>

#include "platform/string_table.h"

namespace quintarel {

namespace {

class Win32StringTable final : public StringTable {
 public:
  std::string LoadText(int id) override {
    // The longest text of the table is far below this.
    char text[1024] = {};
    const int length =
        ::LoadStringA(::GetModuleHandleA(nullptr), static_cast<UINT>(id), text, sizeof text);
    return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
  }
};

}  // namespace

StringTable& ProgramStringTable() {
  static Win32StringTable table;
  return table;
}

}  // namespace quintarel
