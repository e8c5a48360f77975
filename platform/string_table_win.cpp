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

}  // namespace

StringTable& ProgramStringTable() {
  static Win32StringTable table;
  return table;
}

}  // namespace quintarel
