#include "package/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quintarel {
namespace {

// The standard messages, given in pieces of the lengths listed and then the
// rest, so that pieces end inside a block, on its edge and past it.
TEST(Sha256, DigestsStandardMessagesGivenInPieces) {
  const struct {
    std::string message;
    std::vector<std::size_t> pieces;
    const char* digest;
  } cases[] = {
      {"", {}, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", {}, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // 448 bits: the padding's length no longer fits the first block.
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", {55, 0},
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), {1, 999, 0, 63, 65537, 300000},
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [message, pieces, digest] : cases) {
    std::unique_ptr<Sha256> sha = NewSha256();
    ASSERT_NE(sha, nullptr);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(message.data());
    std::size_t given = 0;
    for (const std::size_t piece : pieces) {
      sha->Update(bytes + given, piece);
      given += piece;
    }
    sha->Update(bytes + given, message.size() - given);
    const std::optional<Sha256Digest> result = sha->Finish();
    ASSERT_TRUE(result.has_value());
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : *result) hex += {kDigits[byte >> 4], kDigits[byte & 15]};
    EXPECT_EQ(hex, digest) << message.substr(0, 16);
  }
}

}  // namespace
}  // namespace quintarel
