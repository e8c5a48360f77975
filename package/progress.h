#ifndef PACKAGE_PROGRESS_H_
#define PACKAGE_PROGRESS_H_

#include <cstdint>

namespace quintarel {

// A progress callback: receives its context and a value (a byte count from
// the codec, a percentage from PercentProgress); returns false to stop.
using ProgressSink = bool (*)(void* context, std::int64_t value);

// Turns byte counts into a percentage of a total and passes it on.
class PercentProgress {
 public:
  PercentProgress(ProgressSink sink, void* context) : sink_(sink), context_(context) {}

  void SetTotal(std::int64_t total) { total_ = total; }
  std::int64_t total() const { return total_; }

  // 100 * count / total rounded to the nearest integer, halves away from
  // zero; -1 when the total is 0. Returns what the sink returns.
  bool Report(std::int64_t count);

  // Percent computation on its own, for callers that only need the figure.
  static std::int64_t Percent(std::int64_t count, std::int64_t total);

  // A ProgressSink for the codec whose context is a PercentProgress.
  static bool Forward(void* percent_progress, std::int64_t count);

 private:
  std::int64_t total_ = 100;
  ProgressSink sink_;
  void* context_;
};

}  // namespace quintarel

#endif  // PACKAGE_PROGRESS_H_
