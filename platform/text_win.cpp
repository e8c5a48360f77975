#include <windows.h>

#include <string>

#include "package/text.h"

namespace quintarel {

bool IsLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return ::lstrcmpiA(std::string(a).c_str(), std::string(b).c_str()) == 0;
}

}  // namespace quintarel
