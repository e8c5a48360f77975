#ifndef ENVLIB_LIBRARY_MESSAGES_WIN_H_
#define ENVLIB_LIBRARY_MESSAGES_WIN_H_

#include <windows.h>

#include <cstdint>
#include <string>

#include "envlib/kestrune_exports_win.h"
#include "envlib/library_messages.h"

namespace quintarel {

// The library's module: where its texts live and whose file name captions
// its boxes.
using LibraryModuleSource = HMODULE (*)();

// The library's message boxes through the system, every text in UTF-8 as the
// library spells names. The module is asked for at each call: the loader
// names it only after the library's objects exist.
class Win32LibraryMessages final : public LibraryMessages {
 public:
  explicit Win32LibraryMessages(LibraryModuleSource module) : module_(module) {}

  std::string LoadText(int id) override;
  void ShowStop(const std::string& text) override;
  void ShowExclamation(const std::string& text) override;
  void ShowSystemError(std::uint32_t code, const std::string& text) override;

 private:
  void Show(const std::string& text, UINT icon);

  LibraryModuleSource module_;
};

// The library's messages as lines for a caller that shows nothing: each text
// a box would show, the system error's description included, goes to sink
// in the code page; nothing is created on screen. Texts are loaded by texts.
class LoggedLibraryMessages final : public LibraryMessages {
 public:
  LoggedLibraryMessages(LibraryMessages& texts, KestruneLogSink sink, void* context)
      : texts_(texts), sink_(sink), context_(context) {}

  std::string LoadText(int id) override { return texts_.LoadText(id); }
  void ShowStop(const std::string& text) override { Log(text); }
  void ShowExclamation(const std::string& text) override { Log(text); }
  void ShowSystemError(std::uint32_t code, const std::string& text) override;

 private:
  void Log(const std::string& text);

  LibraryMessages& texts_;
  KestruneLogSink sink_;
  void* context_;
};

// module's file name without folder and extension ("Kestrune"), in UTF-8.
std::string ModuleTitle(HMODULE module);

// What the system error box says: text, a line break and the system's
// description of code (in UTF-8), or the code's number when it has none.
std::string SystemErrorText(std::uint32_t code, const std::string& text);

}  // namespace quintarel

#endif  // ENVLIB_LIBRARY_MESSAGES_WIN_H_
