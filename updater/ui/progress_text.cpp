#include "updater/ui/progress_text.h"

#include <cstdio>

namespace quintarel {

std::string ProgressPercentText(int position, int minimum, int maximum) {
  const long long span = static_cast<long long>(maximum) - minimum;
  const long long percent = span == 0 ? 0 : (static_cast<long long>(position) - minimum) * 100 / span;
  const long long shown = percent == 100 ? 100 : percent % 100;
  char text[32];
  std::snprintf(text, sizeof text, "%lld%c", shown, '%');
  return text;
}

}  // namespace quintarel
