#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <limits>
#include <utility>

#include "package/sha256.h"
#include "platform/scoped_handle_win.h"

namespace quintarel {

namespace {

// CryptHashData takes a DWORD length, shorter than a 64-bit buffer's.
constexpr std::size_t kLargestPiece = std::numeric_limits<DWORD>::max();

class SystemSha256 final : public Sha256 {
 public:
  SystemSha256(ScopedCryptProvider provider, ScopedCryptHash hash)
      : provider_(std::move(provider)), hash_(std::move(hash)) {}

  void Update(const std::uint8_t* data, std::size_t size) override {
    while (size > 0 && !failed_) {
      const DWORD piece = static_cast<DWORD>(std::min(size, kLargestPiece));
      if (!::CryptHashData(hash_.get(), data, piece, 0)) failed_ = true;
      data += piece;
      size -= piece;
    }
  }

  std::optional<Sha256Digest> Finish() override {
    if (failed_) return std::nullopt;
    Sha256Digest digest;
    DWORD length = static_cast<DWORD>(digest.size());
    if (!::CryptGetHashParam(hash_.get(), HP_HASHVAL, digest.data(), &length, 0) ||
        length != digest.size()) {
      failed_ = true;
      return std::nullopt;
    }
    return digest;
  }

 private:
  // Declared in this order so that the hash goes before its provider.
  ScopedCryptProvider provider_;
  ScopedCryptHash hash_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<Sha256> NewSha256() {
  // A verify-only context needs no key container, so no profile or rights.
  ScopedCryptProvider provider;
  if (!::CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    return nullptr;
  }
  ScopedCryptHash hash;
  if (!::CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, hash.put())) return nullptr;
  return std::make_unique<SystemSha256>(std::move(provider), std::move(hash));
}

}  // namespace quintarel
