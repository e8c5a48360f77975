// Compress then Expand gives back the input, a second Compress on the same
// codec gives the same bytes, and the stream is never longer than all
// literals plus the end marker.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "package/lzss_codec.h"
#include "package/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quintarel;
  const std::vector<std::uint8_t> original(data, data + size);
  LzssCodec codec;

  MemoryStream input(original);
  MemoryStream packed;
  FuzzCheck(codec.Compress(packed, input, nullptr, nullptr), "compress");
  FuzzCheck(packed.size() <= (size * 9 + 13 + 7) / 8, "compressed size");

  MemoryStream again_input(original);
  MemoryStream again;
  codec.Compress(again, again_input, nullptr, nullptr);
  FuzzCheck(std::vector<std::uint8_t>(again.data(), again.data() + again.size()) ==
                std::vector<std::uint8_t>(packed.data(), packed.data() + packed.size()),
            "compress is repeatable");

  packed.Seek(0, SeekOrigin::kBegin);
  MemoryStream unpacked;
  FuzzCheck(codec.Expand(unpacked, packed, nullptr, nullptr), "expand");
  FuzzCheck(packed.position() == packed.size(), "expand consumes the whole stream");
  FuzzCheck(unpacked.size() == size, "round trip size");
  FuzzCheck(std::vector<std::uint8_t>(unpacked.data(), unpacked.data() + unpacked.size()) == original,
            "round trip bytes");
  return 0;
}
