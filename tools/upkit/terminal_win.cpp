#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "package/file_system.h"
#include "package/unfinished_files.h"
#include "tools/upkit/progress_bar.h"
#include "tools/upkit/terminal.h"

namespace quintarel::upkit {

bool StderrIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

void MakeStdoutBinary() {
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
}

namespace {

// Runs on a thread of its own while the program goes on; the system's own
// handler, which ends the process, runs next.
BOOL WINAPI OnConsoleControl(DWORD) {
  StopUnfinishedFileCreation();
  RemoveUnfinishedFiles();
  return FALSE;
}

}  // namespace

void RemoveUnfinishedFilesOnInterrupt() { ::SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

}  // namespace quintarel::upkit
