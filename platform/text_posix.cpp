#include "package/text.h"

namespace quintarel {

bool IsLeadByte(unsigned char) { return false; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) { return EqualsIgnoringAsciiCase(a, b); }

}  // namespace quintarel
