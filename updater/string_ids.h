#ifndef UPDATER_STRING_IDS_H_
#define UPDATER_STRING_IDS_H_

namespace quintarel::string_id {

inline constexpr int kAboutMenuItem = 101;
inline constexpr int kClickNext = 102;
inline constexpr int kArchiveUnusable = 114;
inline constexpr int kProgramTitle = 57344;

}  // namespace quintarel::string_id

#endif  // UPDATER_STRING_IDS_H_
