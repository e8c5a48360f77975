#ifndef TOOLS_UPKIT_PROGRESS_BAR_H_
#define TOOLS_UPKIT_PROGRESS_BAR_H_

#include <cstdint>
#include <cstdio>
#include <string>

namespace quintarel::upkit {

// Whether stderr is a terminal (a console window on Windows). The progress
// bar is drawn only then, so redirected output stays clean.
bool StderrIsTerminal();

// A one-line percentage bar redrawn in place with "\r". It draws only when
// enabled and the work is big enough to be worth watching, and only when
// the shown percentage changes, so frequent updates cost next to nothing.
class ProgressBar {
 public:
  // Work below this many bytes finishes too fast for a bar.
  static constexpr std::int64_t kMinimumTotal = 1 << 20;

  // minimum_total: the least total for which the bar is drawn at all.
  ProgressBar(std::FILE* out, bool enabled, std::string label, std::int64_t total,
              std::int64_t minimum_total = kMinimumTotal);
  ~ProgressBar() { Clear(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Update(std::int64_t done);
  // Erases the bar, e.g. before a message is printed; the next Update draws
  // it again.
  void Clear();

  // A ProgressSink whose context is a ProgressBar and whose value is the
  // amount done; never asks to stop.
  static bool Sink(void* bar, std::int64_t done);

 private:
  std::FILE* out_;
  bool active_;
  std::string label_;
  std::int64_t total_;
  int shown_percent_ = -1;
};

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_PROGRESS_BAR_H_
