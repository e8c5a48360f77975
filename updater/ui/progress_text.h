#ifndef UPDATER_UI_PROGRESS_TEXT_H_
#define UPDATER_UI_PROGRESS_TEXT_H_

#include <string>

namespace quintarel {

// The percentage text of the progress dialog for a position in a range:
// "0%" to "100%". An empty range shows "0%".
std::string ProgressPercentText(int position, int minimum, int maximum);

}  // namespace quintarel

#endif  // UPDATER_UI_PROGRESS_TEXT_H_
