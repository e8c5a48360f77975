// Expand of arbitrary bytes, checked against a plain decoder that takes one
// bit at a time through BitStream and a 4096-byte ring: same output, same
// outcome, same progress reports, same input position afterwards.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "package/bit_stream.h"
#include "package/lzss_codec.h"
#include "package/stream.h"

namespace quintarel {
namespace {

struct Decoded {
  std::vector<std::uint8_t> output;
  std::vector<std::int64_t> progress;
  bool ended = false;
  std::size_t consumed = 0;
};

Decoded PlainExpand(const std::uint8_t* data, std::size_t size) {
  MemoryStream input(std::vector<std::uint8_t>(data, data + size));
  BitStream bits(input, BitStream::Mode::kRead);
  std::uint8_t window[4096] = {};
  unsigned position = 1;
  std::size_t used = 0;
  const std::size_t available = size * 8;
  auto take = [&](int count) {
    used += static_cast<std::size_t>(count);
    return bits.InputBits(count);
  };
  Decoded result;
  result.consumed = size;
  for (;;) {
    if (take(1) != 0) {
      const auto c = static_cast<std::uint8_t>(take(8));
      if (used > available) return result;
      result.output.push_back(c);
      window[position] = c;
      position = (position + 1) & 4095;
      continue;
    }
    const unsigned source = take(12);
    if (used > available) return result;
    if (source == 0) {
      result.ended = true;
      result.consumed = (used + 7) / 8;
      return result;
    }
    const unsigned length = take(4) + 2;
    if (used > available) return result;
    for (unsigned i = 0; i < length; ++i) {
      const std::uint8_t c = window[(source + i) & 4095];
      result.output.push_back(c);
      window[position] = c;
      position = (position + 1) & 4095;
    }
    result.progress.push_back(static_cast<std::int64_t>(result.output.size()));
  }
}

bool Record(void* context, std::int64_t value) {
  static_cast<std::vector<std::int64_t>*>(context)->push_back(value);
  return true;
}

}  // namespace
}  // namespace quintarel

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quintarel;
  const Decoded expected = PlainExpand(data, size);

  LzssCodec codec;
  MemoryStream input(std::vector<std::uint8_t>(data, data + size));
  MemoryStream output;
  std::vector<std::int64_t> progress;
  const bool ended = codec.Expand(output, input, Record, &progress);

  FuzzCheck(ended == expected.ended, "outcome");
  FuzzCheck(output.size() == expected.output.size(), "output size");
  FuzzCheck(std::vector<std::uint8_t>(output.data(), output.data() + output.size()) == expected.output,
            "output bytes");
  FuzzCheck(progress == expected.progress, "progress reports");
  FuzzCheck(input.position() == expected.consumed, "input position");
  return 0;
}
