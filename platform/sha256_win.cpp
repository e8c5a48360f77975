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

// One provider serves every hash of the process: acquiring a context loads
// and prepares the provider each time, which costs far more than hashing a
// small entry. Zero when the system has none that does SHA-256.
HCRYPTPROV SharedProvider() {
  // A verify-only context needs no key container, so no profile or rights.
  static const ScopedCryptProvider provider = [] {
    HCRYPTPROV acquired = 0;
    if (!::CryptAcquireContextW(&acquired, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) acquired = 0;
    return ScopedCryptProvider(acquired);
  }();
  return provider.get();
}

class SystemSha256 final : public Sha256 {
 public:
  explicit SystemSha256(ScopedCryptHash hash) : hash_(std::move(hash)) {}

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
  ScopedCryptHash hash_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<Sha256> NewSha256() {
  const HCRYPTPROV provider = SharedProvider();
  ScopedCryptHash hash;
  if (provider == 0 || !::CryptCreateHash(provider, CALG_SHA_256, 0, 0, hash.put())) return nullptr;
  return std::make_unique<SystemSha256>(std::move(hash));
}

}  // namespace quintarel
