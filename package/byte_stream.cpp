#include "package/byte_stream.h"

namespace quintarel {

int ByteStream::Fill() {
  const std::size_t read = stream_.Read(buffer_, kBufferSize);
  if (read == 0) return kEndOfInput;
  place_ = 1;
  count_ = read - 1;
  return buffer_[0];
}

void ByteStream::Flush() {
  stream_.Write(buffer_, count_);
  count_ = 0;
}

void ByteStream::Close() {
  if (mode_ == Mode::kWrite) {
    if (count_ > 0) Flush();
    return;
  }
  if (count_ > 0) {
    stream_.Seek(-static_cast<std::int64_t>(count_), SeekOrigin::kCurrent);
    count_ = 0;
  }
}

}  // namespace quintarel
