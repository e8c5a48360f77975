#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "tools/upkit/progress_bar.h"
#include "tools/upkit/terminal.h"

namespace quintarel::upkit {

bool StderrIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

void MakeStdoutBinary() {
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
}

}  // namespace quintarel::upkit
