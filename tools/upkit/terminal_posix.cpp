#include <unistd.h>

#include <cstdio>

#include "tools/upkit/progress_bar.h"

namespace quintarel::upkit {

bool StderrIsTerminal() { return ::isatty(::fileno(stderr)) != 0; }

}  // namespace quintarel::upkit
