#ifndef PACKAGE_BIT_STREAM_H_
#define PACKAGE_BIT_STREAM_H_

#include <cstdint>

#include "package/byte_stream.h"
#include "package/stream.h"

namespace quintarel {

// Bits over a ByteStream, most significant bit of each byte first, multi-bit
// fields most significant bit first. One direction at a time; Close is
// explicit, as for ByteStream.
class BitStream {
 public:
  using Mode = ByteStream::Mode;

  BitStream(Stream& stream, Mode mode) : bytes_(stream, mode), mode_(mode) {}
  BitStream(const BitStream&) = delete;
  BitStream& operator=(const BitStream&) = delete;

  void OutputBit(int bit) { OutputBits(bit != 0 ? 1 : 0, 1); }

  // Writes the low count bits of value (count 1 to 32), highest first.
  void OutputBits(std::uint32_t value, int count) {
    pending_ = (pending_ << count) | (value & ((std::uint64_t{1} << count) - 1));
    pending_bits_ += count;
    while (pending_bits_ >= 8) {
      pending_bits_ -= 8;
      bytes_.PutByte(static_cast<std::uint8_t>(pending_ >> pending_bits_));
    }
  }

  // 0 or 1. Past the end of the input every bit reads as 1.
  int InputBit() {
    if (mask_ == 0x80) {
      const int next = bytes_.GetByte();
      rack_ = next == ByteStream::kEndOfInput ? 0xFF : static_cast<std::uint8_t>(next);
    }
    const int bit = (rack_ & mask_) != 0 ? 1 : 0;
    mask_ >>= 1;
    if (mask_ == 0) mask_ = 0x80;
    return bit;
  }

  // Reads count bits (1 to 32), highest first.
  std::uint32_t InputBits(int count);

  // Write mode: pads the last byte with zero bits and writes everything out.
  // Read mode: a partly used byte counts as consumed; the stream is left
  // just after it.
  void Close();

 private:
  ByteStream bytes_;
  Mode mode_;
  // Write mode: the low pending_bits_ (0 to 7) bits of pending_ are not yet
  // put as a byte.
  std::uint64_t pending_ = 0;
  int pending_bits_ = 0;
  // Read mode: the byte being taken apart, and the next bit of it to give.
  std::uint8_t rack_ = 0;
  std::uint8_t mask_ = 0x80;
};

}  // namespace quintarel

#endif  // PACKAGE_BIT_STREAM_H_
