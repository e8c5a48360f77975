#ifndef TOOLS_UPKIT_ARCHIVE_CHECK_H_
#define TOOLS_UPKIT_ARCHIVE_CHECK_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "package/progress.h"

namespace quintarel::upkit {

struct ArchiveReport {
  // One line per problem, "header: ..." or "entry N (name): ...".
  std::vector<std::string> problems;
  // Entries whose record was present.
  std::uint32_t entries = 0;
  std::uint64_t expanded_bytes = 0;
};

// Checks the bytes of an archive file against every rule of the format, and
// that each entry expands to exactly its fileSize. Reported as problems are
// what readers reject (short header or record, wrong magic, non-zero
// reserved field, data cut short, broken compressed data) and what the
// writer never produces, which points at damage or a foreign writer:
// non-zero bytes after the magic text or after a name's NUL, a name without
// its NUL, an empty name, names equal but for ASCII letter case (extraction
// by name reaches only the first), a compressed flag other than 0 or 1,
// non-zero padding, an uncompressed entry whose sizes differ, bytes left
// after a codec stream's end marker, and bytes after the last entry.
// sink, when given, receives the number of file bytes examined so far.
ArchiveReport CheckArchive(std::span<const std::uint8_t> bytes, ProgressSink sink, void* context);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_ARCHIVE_CHECK_H_
