#include "package/text.h"

namespace quintarel {

bool IsLeadByte(unsigned char) { return false; }

}  // namespace quintarel
