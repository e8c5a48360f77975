#ifndef PLATFORM_STRING_TABLE_H_
#define PLATFORM_STRING_TABLE_H_

#include <string>

namespace quintarel {

// The program's string table, in the language the system's resource lookup
// chooses.
class StringTable {
 public:
  virtual ~StringTable() = default;

  // The text of id; empty when there is none.
  virtual std::string LoadText(int id) = 0;
};

// The string table of the running program (Windows builds only).
StringTable& ProgramStringTable();

// The running program's English string table, whatever the user's language
// (Windows builds only): for a log that an administrator reads.
StringTable& EnglishStringTable();

}  // namespace quintarel

#endif  // PLATFORM_STRING_TABLE_H_
