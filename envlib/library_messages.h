#ifndef ENVLIB_LIBRARY_MESSAGES_H_
#define ENVLIB_LIBRARY_MESSAGES_H_

#include <cstdint>
#include <string>

namespace quintarel {

// The environment library's message boxes. They are owned by the caller's
// active window and captioned with the library's file name without its
// extension, except the system error box.
class LibraryMessages {
 public:
  virtual ~LibraryMessages() = default;

  // A text of the library's own string table (not the calling program's).
  virtual std::string LoadText(int id) = 0;
  // OK, stop icon.
  virtual void ShowStop(const std::string& text) = 0;
  // OK, exclamation icon.
  virtual void ShowExclamation(const std::string& text) = 0;
  // Caption "Error", no owner, information icon: text, a line break and the
  // system's description of code.
  virtual void ShowSystemError(std::uint32_t code, const std::string& text) = 0;
};

}  // namespace quintarel

#endif  // ENVLIB_LIBRARY_MESSAGES_H_
