#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "package/file_system.h"
#include "package/unfinished_files.h"
#include "tools/upkit/progress_bar.h"
#include "tools/upkit/terminal.h"

namespace quintarel::upkit {

bool StderrIsTerminal() { return ::isatty(::fileno(stderr)) != 0; }

void MakeStdoutBinary() {}

void RemoveUnfinishedFilesOnInterrupt() {
  struct sigaction action = {};
  action.sa_handler = [](int signal_number) {
    StopUnfinishedFileCreation();
    RemoveUnfinishedFiles();
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
  };
  ::sigemptyset(&action.sa_mask);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    ::sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace quintarel::upkit
