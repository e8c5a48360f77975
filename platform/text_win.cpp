#include <windows.h>

#include "package/text.h"

namespace quintarel {

bool IsLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

}  // namespace quintarel
