#ifndef PACKAGE_ARCHIVE_DIGESTS_H_
#define PACKAGE_ARCHIVE_DIGESTS_H_

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "package/sha256.h"
#include "package/update_archive.h"

// Sealed archives: one more entry, the last, lists the SHA-256 of every
// other entry's uncompressed bytes, one line each in archive order, in the
// form sha256sum reads: 64 lower-case hexadecimal digits, two spaces, the
// entry name, a line feed. A reader that knows nothing of it reads the archive as
// before, since no copy line or licence value names it.

namespace quintarel {

// The digest entry's name. It ends in a separator, so no file list line
// gives it: a builder reads a file at the line's path, and a path that ends
// in "/" names no file on Windows or POSIX.
inline constexpr std::string_view kDigestEntryName = "SHA256SUMS/";

// Whether name is the digest entry's, compared as the archive finds names.
bool IsDigestEntryName(std::string_view name);

// The entries that hold files, the script included: all but the digest
// entry. The updater needs two at least.
int CountFileEntries(const UpdateArchive& archive);

std::optional<Sha256Digest> DigestOf(std::span<const std::uint8_t> bytes);

// The digest of what entry index expands to; nullopt when it is damaged or
// the system cannot hash.
std::optional<Sha256Digest> DigestOfEntry(UpdateArchive& archive, int index);

// Appends the digest entry to an archive that has none, given the digest of
// each of its entries in order. It takes the times of entry 0, the script.
void SealArchive(UpdateArchive& archive, const std::vector<Sha256Digest>& digests);

struct DigestCheck {
  enum class State {
    kUnsealed,    // no digest entry: nothing to check
    kSound,       // every entry has the bytes that were sealed
    kDamaged,     // some entries do not: see damaged
    kMalformed,   // the digest entry cannot be read as a seal: see problem
    kCannotHash,  // the system offers no SHA-256
  };
  State state = State::kUnsealed;
  std::vector<int> damaged;
  std::string problem;

  bool sound() const { return state == State::kUnsealed || state == State::kSound; }
};

// Checks every entry of archive against its digest entry, when it has one.
DigestCheck CheckDigests(UpdateArchive& archive);

}  // namespace quintarel

#endif  // PACKAGE_ARCHIVE_DIGESTS_H_
