#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "package/file_system.h"
#include "tools/upkit/progress_bar.h"
#include "tools/upkit/terminal.h"

namespace quintarel::upkit {

bool StderrIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

void MakeStdoutBinary() {
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
}

namespace {

// The system's own handler, which ends the process, runs next.
BOOL WINAPI OnConsoleControl(DWORD) {
  RemoveUnfinishedFiles();
  return FALSE;
}

}  // namespace

void RemoveUnfinishedFilesOnInterrupt() { ::SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

}  // namespace quintarel::upkit
