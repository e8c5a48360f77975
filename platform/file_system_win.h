#ifndef PLATFORM_FILE_SYSTEM_WIN_H_
#define PLATFORM_FILE_SYSTEM_WIN_H_

#include <cstdint>

namespace quintarel {

// Whether a file or folder with these Win32 attributes and reparse tag is a
// link for FileSystem (IsLink, FolderEntry::is_link): a reparse point whose
// tag is a name surrogate (symbolic link, junction, mount point). Other
// reparse points (cloud placeholders, deduplicated files) hold their own
// data and are not links. Tag 0, which no Windows reparse point has, means
// the tag is unknown and counts as a link: Wine 8.0 reports its Unix
// symbolic links so, and a tag that cannot be read is reported so too.
bool IsLinkReparsePoint(std::uint32_t attributes, std::uint32_t reparse_tag);

}  // namespace quintarel

#endif  // PLATFORM_FILE_SYSTEM_WIN_H_
