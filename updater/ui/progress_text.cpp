#include "updater/ui/progress_text.h"

namespace quintarel {

std::string ProgressPercentText(int position, int minimum, int maximum) {
  const long long span = static_cast<long long>(maximum) - minimum;
  const long long percent = span == 0 ? 0 : (static_cast<long long>(position) - minimum) * 100 / span;
  const long long shown = percent == 100 ? 100 : percent % 100;
  return std::to_string(shown) + '%';
}

}  // namespace quintarel
