#include <openssl/evp.h>

#include <utility>

#include "package/sha256.h"

namespace quintarel {

namespace {

struct DigestContextDeleter {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextDeleter>;

class LibrarySha256 final : public Sha256 {
 public:
  explicit LibrarySha256(DigestContext context) : context_(std::move(context)) {}

  void Update(const std::uint8_t* data, std::size_t size) override {
    if (size == 0 || failed_) return;
    if (EVP_DigestUpdate(context_.get(), data, size) != 1) failed_ = true;
  }

  std::optional<Sha256Digest> Finish() override {
    if (failed_) return std::nullopt;
    Sha256Digest digest;
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_.get(), digest.data(), &length) != 1 || length != digest.size()) {
      failed_ = true;
      return std::nullopt;
    }
    return digest;
  }

 private:
  DigestContext context_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<Sha256> NewSha256() {
  DigestContext context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return nullptr;
  return std::make_unique<LibrarySha256>(std::move(context));
}

}  // namespace quintarel
