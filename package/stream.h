#ifndef PACKAGE_STREAM_H_
#define PACKAGE_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
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

// A read-only stream over bytes held elsewhere, so that the codec can read
// them without a copy. Writes are ignored.
class ByteView final : public Stream {
 public:
  explicit ByteView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void*, std::size_t) override {}
  std::uint64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::uint64_t GetLength() override { return bytes_.size(); }
  void SetLength(std::uint64_t) override {}
  void Close() override {}

  std::size_t position() const { return position_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

// Appends what is written to a string.
class StringOutput final : public Stream {
 public:
  explicit StringOutput(std::string* text) : text_(text) {}

  std::size_t Read(void*, std::size_t) override { return 0; }
  void Write(const void* buffer, std::size_t count) override {
    text_->append(static_cast<const char*>(buffer), count);
  }
  std::uint64_t Seek(std::int64_t, SeekOrigin) override { return text_->size(); }
  std::uint64_t GetLength() override { return text_->size(); }
  void SetLength(std::uint64_t) override {}
  void Close() override {}

 private:
  std::string* text_;
};

// Passes everything on to another stream and keeps its position, so that
// expansion can show its progress through the input (the output's size is
// not known ahead).
class PositionTrackingInput final : public Stream {
 public:
  explicit PositionTrackingInput(Stream& inner) : inner_(inner) {}

  std::size_t Read(void* buffer, std::size_t count) override {
    const std::size_t n = inner_.Read(buffer, count);
    position_ += n;
    return n;
  }
  void Write(const void* buffer, std::size_t count) override { inner_.Write(buffer, count); }
  std::uint64_t Seek(std::int64_t offset, SeekOrigin origin) override {
    position_ = inner_.Seek(offset, origin);
    return position_;
  }
  std::uint64_t GetLength() override { return inner_.GetLength(); }
  void SetLength(std::uint64_t length) override { inner_.SetLength(length); }
  void Close() override { inner_.Close(); }

  std::uint64_t position() const { return position_; }

 private:
  Stream& inner_;
  std::uint64_t position_ = 0;
};

}  // namespace quintarel

#endif  // PACKAGE_STREAM_H_
