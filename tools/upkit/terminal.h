#ifndef TOOLS_UPKIT_TERMINAL_H_
#define TOOLS_UPKIT_TERMINAL_H_

namespace quintarel::upkit {

// Makes stdout write bytes exactly as given: Windows would otherwise turn
// every LF into CR LF, and scripts read raw values from it.
void MakeStdoutBinary();

// An interrupt (Ctrl+C, or a request to terminate) removes the temporary
// files of the work under way before the program ends as it otherwise would.
void RemoveUnfinishedFilesOnInterrupt();

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_TERMINAL_H_
