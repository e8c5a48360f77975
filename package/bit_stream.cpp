#include "package/bit_stream.h"

namespace quintarel {

std::uint32_t BitStream::InputBits(int count) {
  std::uint32_t result = 0;
  for (std::uint32_t mask = std::uint32_t{1} << (count - 1); mask != 0; mask >>= 1) {
    if (InputBit() != 0) result |= mask;
  }
  return result;
}

void BitStream::Close() {
  if (mode_ == Mode::kWrite && pending_bits_ > 0) {
    bytes_.PutByte(static_cast<std::uint8_t>(pending_ << (8 - pending_bits_)));
    pending_bits_ = 0;
  }
  bytes_.Close();
}

}  // namespace quintarel
