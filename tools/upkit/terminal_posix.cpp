#include <unistd.h>

#include <cstdio>

#include "tools/upkit/progress_bar.h"
#include "tools/upkit/terminal.h"

namespace quintarel::upkit {

bool StderrIsTerminal() { return ::isatty(::fileno(stderr)) != 0; }

void MakeStdoutBinary() {}

}  // namespace quintarel::upkit
