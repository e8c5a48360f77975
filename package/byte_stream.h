#ifndef PACKAGE_BYTE_STREAM_H_
#define PACKAGE_BYTE_STREAM_H_

#include <cstddef>
#include <cstdint>

#include "package/stream.h"

namespace quintarel {

// Byte-at-a-time access to a Stream through a 1024-byte buffer, in one
// direction: one underlying read or write per 1024 bytes. The stream is
// borrowed and must outlive this object.
//
// Close is explicit and the destructor does nothing: closing writes or seeks,
// which may throw, and must not run while an exception from the stream is
// already unwinding the caller.
class ByteStream {
 public:
  enum class Mode { kRead, kWrite };

  static constexpr std::size_t kBufferSize = 1024;
  static constexpr int kEndOfInput = -1;

  ByteStream(Stream& stream, Mode mode) : stream_(stream), mode_(mode) {}
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;

  // Read mode: the next byte (0 to 255), or kEndOfInput.
  int GetByte() {
    if (count_ > 0) {
      --count_;
      return buffer_[place_++];
    }
    return Fill();
  }

  // Write mode: appends one byte, writing out a full buffer first.
  void PutByte(std::uint8_t value) {
    if (count_ == kBufferSize) Flush();
    buffer_[count_++] = value;
  }

  // Write mode: writes out the bytes held. Read mode: seeks the stream back
  // by the bytes buffered but not taken, so that it ends just after the last
  // byte taken.
  void Close();

 private:
  int Fill();
  void Flush();

  Stream& stream_;
  Mode mode_;
  std::size_t place_ = 0;
  // Read mode: bytes still unread from place_ on. Write mode: bytes held.
  std::size_t count_ = 0;
  std::uint8_t buffer_[kBufferSize];
};

}  // namespace quintarel

#endif  // PACKAGE_BYTE_STREAM_H_
