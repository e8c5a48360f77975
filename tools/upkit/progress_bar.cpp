#include "tools/upkit/progress_bar.h"

#include <algorithm>

namespace quintarel::upkit {

namespace {
constexpr int kBarWidth = 30;
}  // namespace

ProgressBar::ProgressBar(std::FILE* out, bool enabled, std::string label, std::int64_t total,
                         std::int64_t minimum_total)
    : out_(out), active_(enabled && total > 0 && total >= minimum_total), label_(std::move(label)),
      total_(total) {}

void ProgressBar::Update(std::int64_t done) {
  if (!active_) return;
  const auto percent = static_cast<int>(std::clamp<std::int64_t>(done * 100 / total_, 0, 100));
  if (percent == shown_percent_) return;
  shown_percent_ = percent;
  const int filled = percent * kBarWidth / 100;
  std::fprintf(out_, "\r%s [%s%s] %3d%%", label_.c_str(), std::string(filled, '#').c_str(),
               std::string(kBarWidth - filled, '.').c_str(), percent);
  std::fflush(out_);
}

void ProgressBar::Clear() {
  if (!active_ || shown_percent_ < 0) return;
  // label, " [", the bar, "] ", "100%"
  const std::size_t width = label_.size() + kBarWidth + 8;
  std::fprintf(out_, "\r%s\r", std::string(width, ' ').c_str());
  std::fflush(out_);
  shown_percent_ = -1;
}

bool ProgressBar::Sink(void* bar, std::int64_t done) {
  static_cast<ProgressBar*>(bar)->Update(done);
  return true;
}

}  // namespace quintarel::upkit
