#ifndef PACKAGE_LZSS_CODEC_H_
#define PACKAGE_LZSS_CODEC_H_

#include <memory>

#include "package/progress.h"
#include "package/stream.h"

namespace quintarel {

// The update archive's LZSS codec: a 4096-byte window, 12-bit positions,
// 4-bit lengths, no header and no checksum. The encoder reproduces the bytes
// of archives already in circulation exactly.
class LzssCodec {
 public:
  LzssCodec();
  ~LzssCodec();
  LzssCodec(const LzssCodec&) = delete;
  LzssCodec& operator=(const LzssCodec&) = delete;

  // Encodes input from its position to its end into output at its position.
  // True when all was encoded and the end marker written; false when the
  // sink asked to stop (output then holds a partial stream). The sink, when
  // given, receives the number of input bytes consumed so far.
  bool Compress(Stream& output, Stream& input, ProgressSink sink, void* context);

  // Decodes tokens from input into output up to the end marker. True when
  // the end marker was reached; false when the sink asked to stop or the
  // input ended first. input is left just after the last byte consumed. The
  // sink, when given, receives the number of bytes written so far.
  bool Expand(Stream& output, Stream& input, ProgressSink sink, void* context);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quintarel

#endif  // PACKAGE_LZSS_CODEC_H_
