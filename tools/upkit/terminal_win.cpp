#include <io.h>

#include <cstdio>

#include "tools/upkit/progress_bar.h"

namespace quintarel::upkit {

bool StderrIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

}  // namespace quintarel::upkit
