#ifndef PACKAGE_STREAM_H_
#define PACKAGE_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quintarel {

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// A byte stream. Implementations over files raise FileError when a read or
// write fails; memory streams never fail.
class Stream {
 public:
  virtual ~Stream() = default;

  // Reads up to count bytes into buffer; returns the number read, 0 at the end.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual void Write(const void* buffer, std::size_t count) = 0;
  // Moves the position and returns the new one.
  virtual std::uint64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
  virtual std::uint64_t GetLength() = 0;
  virtual void SetLength(std::uint64_t length) = 0;
  virtual void Close() = 0;
};

// Reads until count bytes arrived or the stream ends; returns the number read.
std::size_t ReadFully(Stream& stream, void* buffer, std::size_t count);

// A stream over a growable block of memory. Capacity is kept in whole steps
// of 1024 bytes and grows geometrically, so appending stays linear overall.
class MemoryStream final : public Stream {
 public:
  static constexpr std::size_t kGrowStep = 1024;

  MemoryStream() = default;
  explicit MemoryStream(std::vector<std::uint8_t> bytes);

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::uint64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::uint64_t GetLength() override { return bytes_.size(); }
  void SetLength(std::uint64_t length) override;
  void Close() override {}

  std::uint64_t position() const { return position_; }
  const std::uint8_t* data() const { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }
  std::size_t capacity() const { return bytes_.capacity(); }

  // Hands the bytes over to the caller and leaves the stream empty.
  std::vector<std::uint8_t> TakeBytes();

 private:
  void Reserve(std::size_t needed);

  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

// Passes writes on to a target, or only counts them when there is none, up
// to a limit. A write that would go past the limit raises LimitExceeded
// instead, so that expanding a damaged entry stops at once rather than
// writing without bound.
class BoundedOutput final : public Stream {
 public:
  struct LimitExceeded {};

  BoundedOutput(Stream* target, std::uint64_t limit) : target_(target), limit_(limit) {}

  std::size_t Read(void*, std::size_t) override { return 0; }
  void Write(const void* buffer, std::size_t count) override;
  std::uint64_t Seek(std::int64_t, SeekOrigin) override { return written_; }
  std::uint64_t GetLength() override { return written_; }
  void SetLength(std::uint64_t) override {}
  void Close() override {}

  std::uint64_t written() const { return written_; }

 private:
  Stream* target_;
  std::uint64_t limit_;
  std::uint64_t written_ = 0;
};

}  // namespace quintarel

#endif  // PACKAGE_STREAM_H_
