#include "package/stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

namespace quintarel {

std::size_t ReadFully(Stream& stream, void* buffer, std::size_t count) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::size_t total = 0;
  while (total < count) {
    const std::size_t n = stream.Read(bytes + total, count - total);
    if (n == 0) break;
    total += n;
  }
  return total;
}

MemoryStream::MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
  if (position_ >= bytes_.size()) return 0;
  const std::size_t n = std::min(count, bytes_.size() - position_);
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

void MemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return;
  const std::size_t end = position_ + count;
  if (end > bytes_.size()) {
    Reserve(end);
    bytes_.resize(end);
  }
  std::memcpy(bytes_.data() + position_, buffer, count);
  position_ = end;
}

std::uint64_t MemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t base = 0;
  switch (origin) {
    case SeekOrigin::kBegin: base = 0; break;
    case SeekOrigin::kCurrent: base = static_cast<std::int64_t>(position_); break;
    case SeekOrigin::kEnd: base = static_cast<std::int64_t>(bytes_.size()); break;
  }
  // A position before the start is clamped to it, as seeking a file there fails.
  position_ = static_cast<std::size_t>(std::max<std::int64_t>(0, base + offset));
  return position_;
}

void MemoryStream::SetLength(std::uint64_t length) {
  if (length > std::numeric_limits<std::size_t>::max()) throw std::length_error("memory stream too long");
  Reserve(static_cast<std::size_t>(length));
  bytes_.resize(static_cast<std::size_t>(length));
  position_ = std::min<std::size_t>(position_, bytes_.size());
}

std::vector<std::uint8_t> MemoryStream::TakeBytes() {
  position_ = 0;
  return std::exchange(bytes_, {});
}

void MemoryStream::Reserve(std::size_t needed) {
  if (needed <= bytes_.capacity()) return;
  std::size_t target = std::max(needed, bytes_.capacity() + bytes_.capacity() / 2);
  target = (target + kGrowStep - 1) / kGrowStep * kGrowStep;
  bytes_.reserve(target);
}

void BoundedOutput::Write(const void* buffer, std::size_t count) {
  if (count > limit_ - written_) throw LimitExceeded{};
  if (target_ != nullptr) target_->Write(buffer, count);
  written_ += count;
}

std::size_t ByteView::Read(void* buffer, std::size_t count) {
  const std::size_t n = std::min(count, bytes_.size() - position_);
  if (n != 0) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

std::uint64_t ByteView::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == SeekOrigin::kCurrent) base = static_cast<std::int64_t>(position_);
  if (origin == SeekOrigin::kEnd) base = static_cast<std::int64_t>(bytes_.size());
  position_ = static_cast<std::size_t>(
      std::clamp<std::int64_t>(base + offset, 0, static_cast<std::int64_t>(bytes_.size())));
  return position_;
}

}  // namespace quintarel
