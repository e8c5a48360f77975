#include "package/sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace quintarel {
namespace {

std::string Hex(const Sha256Digest& digest) {
  std::string hex;
  for (std::uint8_t byte : digest) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", byte);
    hex += pair;
  }
  return hex;
}

TEST(Sha256, DigestsStandardMessagesGivenInPieces) {
  struct Case {
    std::string message;
    std::vector<std::size_t> pieces;  // the rest follows in one last piece
    std::string digest;
  };
  const Case cases[] = {
      {"", {}, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", {}, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // 448 bits: the padding's length no longer fits the first block.
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", {55, 0},
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), {1, 999, 0, 63, 65537, 300000},
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message.substr(0, 16));
    std::unique_ptr<Sha256> sha = NewSha256();
    ASSERT_NE(sha, nullptr);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.message.data());
    std::size_t given = 0;
    for (std::size_t piece : c.pieces) {
      sha->Update(bytes + given, piece);
      given += piece;
    }
    sha->Update(bytes + given, c.message.size() - given);
    const std::optional<Sha256Digest> digest = sha->Finish();
    ASSERT_TRUE(digest.has_value());
    EXPECT_EQ(Hex(*digest), c.digest);
  }
}

}  // namespace
}  // namespace quintarel
