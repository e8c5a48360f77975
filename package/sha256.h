#ifndef PACKAGE_SHA256_H_
#define PACKAGE_SHA256_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

// SHA-256 as the system computes it, declared here for the archive's
// digests and provided by the platform: the Windows programs ask the
// system's cryptographic provider, the POSIX build a well-kept library.

namespace quintarel {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
 public:
  virtual ~Sha256() = default;
  virtual void Update(const std::uint8_t* data, std::size_t size) = 0;
  // The digest of every byte given; nullopt when the system failed on any
  // of them. Nothing may be given afterwards.
  virtual std::optional<Sha256Digest> Finish() = 0;
};

// A fresh hash; null when the system offers no SHA-256.
std::unique_ptr<Sha256> NewSha256();

}  // namespace quintarel

#endif  // PACKAGE_SHA256_H_
