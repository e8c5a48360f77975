#include "package/lzss_codec.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "package/bit_stream.h"
#include "package/byte_stream.h"

namespace quintarel {
namespace {

constexpr int kIndexBits = 12;
constexpr int kLengthBits = 4;
constexpr int kWindowSize = 1 << kIndexBits;
constexpr int kWindowMask = kWindowSize - 1;
constexpr int kBreakEven = 1;
constexpr int kLookAheadSize = (1 << kLengthBits) + kBreakEven;
constexpr int kTreeRoot = kWindowSize;
constexpr int kEndOfStream = 0;
constexpr int kNoNode = 0;
constexpr int kFirstPosition = 1;

constexpr int kLiteralBits = 1 + 8;
constexpr int kEndBits = 1 + kIndexBits;
constexpr int kCopyBits = 1 + kIndexBits + kLengthBits;

// Expand decodes into a linear buffer: the last kWindowSize bytes before the
// write position are the window, so copies need no modulo per byte. Output is
// still written in ByteStream::kBufferSize pieces.
constexpr std::size_t kOutputChunk = std::size_t{1} << 16;
constexpr std::size_t kOutputLimit = kWindowSize + kOutputChunk;
// Copies store 17 bytes whatever their length; the surplus is overwritten.
constexpr std::size_t kOutputSlack = 32;
// Bytes of a token left over from the previous input read (at most 2), and
// room for a 4-byte load past the last valid byte.
constexpr std::size_t kInputCarry = 4;
constexpr std::size_t kInputSlack = 4;

// Links hold positions 0 to 4096, so 16 bits suffice.
using Link = std::uint16_t;
constexpr int kSmaller = 0;
constexpr int kLarger = 1;

// Eight window bytes as one number that orders as the bytes do. Compilers
// turn the shifts into one load and a byte swap.
inline std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
  return (std::uint64_t{p[0]} << 56) | (std::uint64_t{p[1]} << 48) | (std::uint64_t{p[2]} << 40) |
         (std::uint64_t{p[3]} << 32) | (std::uint64_t{p[4]} << 24) | (std::uint64_t{p[5]} << 16) |
         (std::uint64_t{p[6]} << 8) | std::uint64_t{p[7]};
}

std::uint32_t LoadBigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

}  // namespace

struct LzssCodec::State {
  // The window; its first kLookAheadSize bytes are repeated after its end so
  // that a comparison of up to 17 bytes reads straight on instead of wrapping.
  std::uint8_t window[kWindowSize + kLookAheadSize];
  // The match tree: a binary search tree of the 17-byte strings starting at
  // the window positions, smaller strings to the left. Records 0 to 4095 are
  // window positions, record 4096 is the root (its larger child is the top
  // node). Record 0 is never added but receives the writes the tree rules
  // make through a missing (0) link; the encoder's output depends on that,
  // so it stays. Children and parents are kept apart because the match
  // search reads only children: 16 KiB of them and the window stay in the
  // first-level cache. Children are indexed by the comparison's outcome.
  Link children[kTreeRoot + 1][2];
  Link parents[kTreeRoot + 1];

  // Expand's buffers: decoded bytes with the window in front of them, and
  // the input bytes not yet taken.
  std::uint8_t output[kOutputLimit + kOutputSlack];
  std::uint8_t input[kInputCarry + ByteStream::kBufferSize + kInputSlack];

  void SetWindow(int index, std::uint8_t value) {
    window[index] = value;
    if (index < kLookAheadSize) window[kWindowSize + index] = value;
  }

  // A deleted node's side and number of children follow no pattern, so the
  // functions below select by index and mask where a branch would often be
  // mispredicted.

  // Links new_node where old_node was; old_node leaves the tree.
  void ContractNode(std::size_t old_node, std::size_t new_node) {
    const std::size_t parent = parents[old_node];
    parents[new_node] = static_cast<Link>(parent);
    const int side = children[parent][kLarger] == old_node ? kLarger : kSmaller;
    children[parent][side] = static_cast<Link>(new_node);
    parents[old_node] = kNoNode;
  }

  // Puts new_node in old_node's place with old_node's links.
  void ReplaceNode(std::size_t old_node, std::size_t new_node) {
    const std::size_t parent = parents[old_node];
    const int side = children[parent][kSmaller] == old_node ? kSmaller : kLarger;
    children[parent][side] = static_cast<Link>(new_node);
    parents[new_node] = static_cast<Link>(parent);
    children[new_node][kSmaller] = children[old_node][kSmaller];
    children[new_node][kLarger] = children[old_node][kLarger];
    parents[children[new_node][kSmaller]] = static_cast<Link>(new_node);
    parents[children[new_node][kLarger]] = static_cast<Link>(new_node);
    parents[old_node] = kNoNode;
  }

  void DeleteString(std::size_t p) {
    if (parents[p] == kNoNode) return;
    const std::size_t smaller = children[p][kSmaller];
    const std::size_t larger = children[p][kLarger];
    if ((smaller == kNoNode) | (larger == kNoNode)) {
      // At most one child: the other link is 0, so OR gives the child.
      ContractNode(p, smaller | larger);
    } else {
      std::size_t replacement = smaller;
      while (children[replacement][kLarger] != kNoNode) replacement = children[replacement][kLarger];
      DeleteString(replacement);
      ReplaceNode(p, replacement);
    }
  }

  // Inserts position new_node and returns the longest match (up to 17 bytes)
  // found on the way down, its position in match_position. Ties go to the
  // node met later. Big-endian words order as their first differing bytes
  // do, so eight bytes are compared at a time. Without kFindMatch only the
  // tree changes (the same way); the caller has no use for the match.
  template <bool kFindMatch>
  int AddString(std::size_t new_node, int& match_position) {
    if (new_node == kEndOfStream) return 0;
    const std::uint8_t* key = window + new_node;
    const std::uint64_t key_head = LoadBigEndian64(key);
    std::size_t test = children[kTreeRoot][kLarger];
    int best = 0;
    std::size_t best_position = static_cast<std::size_t>(match_position);
    for (;;) {
      // Both links are loaded before the comparison settles which one to
      // follow, so the next step waits on the comparison alone.
      const std::size_t smaller = children[test][kSmaller];
      const std::size_t larger = children[test][kLarger];
      // Most comparisons are settled by the first eight bytes; the next
      // eight and the last byte are read only when those are equal. Every
      // load indexes the window by test: a candidate pointer shared by them
      // would put an addition between test and the first load.
      std::uint64_t mine = key_head;
      std::uint64_t theirs = LoadBigEndian64(window + test);
      int offset = 0;
      if (mine == theirs) {
        offset = 8;
        mine = LoadBigEndian64(key + 8);
        theirs = LoadBigEndian64(window + (test + 8));
        if (mine == theirs) {
          offset = 16;
          mine = std::uint64_t{key[16]} << 56;
          theirs = std::uint64_t{window[test + 16]} << 56;
          if (mine == theirs) {
            match_position = static_cast<int>(test);
            ReplaceNode(test, new_node);
            return kLookAheadSize;
          }
        }
      }
      if constexpr (kFindMatch) {
        const int length = offset + (std::countl_zero(mine ^ theirs) >> 3);
        best_position = length >= best ? test : best_position;
        best = length >= best ? length : best;
      }
      // The direction is a coin toss to the branch predictor; the compiler
      // turns this choice between two loaded values into a conditional move.
      const bool go_larger = mine > theirs;
      const std::size_t next = go_larger ? larger : smaller;
      if (next == kNoNode) {
        children[test][go_larger ? kLarger : kSmaller] = static_cast<Link>(new_node);
        parents[new_node] = static_cast<Link>(test);
        children[new_node][kSmaller] = kNoNode;
        children[new_node][kLarger] = kNoNode;
        match_position = static_cast<int>(best_position);
        return best;
      }
      test = next;
    }
  }
};

LzssCodec::LzssCodec() : state_(std::make_unique<State>()) {}

LzssCodec::~LzssCodec() = default;

bool LzssCodec::Compress(Stream& output, Stream& input, ProgressSink sink, void* context) {
  State& s = *state_;
  std::memset(s.window, 0, sizeof s.window);
  std::memset(s.children, 0, sizeof s.children);
  std::memset(s.parents, 0, sizeof s.parents);
  const std::uint64_t threshold = input.GetLength() / 100;
  std::uint64_t consumed = 0;
  std::uint64_t since_last = 0;
  BitStream bits(output, BitStream::Mode::kWrite);
  ByteStream bytes(input, ByteStream::Mode::kRead);

  int position = kFirstPosition;
  int look_ahead = 0;
  while (look_ahead < kLookAheadSize) {
    const int c = bytes.GetByte();
    if (c == ByteStream::kEndOfInput) break;
    s.SetWindow(position + look_ahead, static_cast<std::uint8_t>(c));
    ++look_ahead;
  }
  s.children[kTreeRoot][kLarger] = static_cast<Link>(position);
  s.parents[position] = kTreeRoot;

  int match_length = 0;
  int match_position = 0;
  while (look_ahead > 0) {
    if (match_length > look_ahead) match_length = look_ahead;
    int replace;
    if (match_length <= kBreakEven) {
      bits.OutputBits((1u << 8) | s.window[position], kLiteralBits);
      replace = 1;
    } else {
      const auto length_code = static_cast<std::uint32_t>(match_length - (kBreakEven + 1));
      bits.OutputBits((static_cast<std::uint32_t>(match_position) << kLengthBits) | length_code,
                      kCopyBits);
      replace = match_length;
    }
    for (int i = 0; i < replace; ++i) {
      const int incoming = (position + kLookAheadSize) & kWindowMask;
      s.DeleteString(incoming);
      const int c = bytes.GetByte();
      if (c == ByteStream::kEndOfInput) {
        --look_ahead;
      } else {
        s.SetWindow(incoming, static_cast<std::uint8_t>(c));
      }
      position = (position + 1) & kWindowMask;
      if (look_ahead == 0) continue;
      // Only the match at the last position inserted is used.
      if (i + 1 < replace) {
        s.AddString<false>(position, match_position);
      } else {
        match_length = s.AddString<true>(position, match_position);
      }
    }
    if (sink != nullptr) {
      since_last += static_cast<std::uint64_t>(replace);
      if (since_last > threshold) {
        consumed += since_last;
        since_last = 0;
        if (!sink(context, static_cast<std::int64_t>(consumed))) {
          bits.Close();
          bytes.Close();
          return false;
        }
      }
    }
  }

  bits.OutputBits(kEndOfStream, kEndBits);
  bits.Close();
  bytes.Close();
  return true;
}

namespace {

// Expand's reader and writer. Bits come from the input in 1024-byte reads, as
// through a BitStream, but are taken a token at a time; a token is never read
// past the end of the input.
class Expander {
 public:
  Expander(Stream& output, Stream& input, std::uint8_t* out, std::uint8_t* in)
      : output_(output), input_(input), out_(out), in_(in) {
    std::memset(out_, 0, kWindowSize);
  }

  enum class Result { kEnd, kStopped, kTruncated };

  Result Run(ProgressSink sink, void* context) {
    const Result result = Decode(sink, context);
    Close(result);
    return result;
  }

 private:
  Result Decode(ProgressSink sink, void* context) {
    std::size_t bit = bit_;
    std::size_t at = at_;
    unsigned position = kFirstPosition;
    std::size_t bits_end = in_end_ * 8;
    for (;;) {
      // Refill before a token could run past the bytes held. Only at the end
      // of the input can a token be cut short, so only there is each one
      // checked against what is left.
      if (bit + kCopyBits > bits_end) {
        if (!end_of_input_) {
          bit_ = bit;
          Refill();
          bit = bit_;
          bits_end = in_end_ * 8;
          continue;
        }
        if (!WholeTokenAt(bit, bits_end)) return Truncated(at);
      }
      const std::uint32_t word = LoadBigEndian32(in_ + (bit >> 3)) << (bit & 7);
      if ((word & 0x80000000u) != 0) {
        out_[at++] = static_cast<std::uint8_t>(word >> 23);
        position = (position + 1) & kWindowMask;
        bit += kLiteralBits;
      } else {
        const unsigned source = (word >> (32 - kEndBits)) & kWindowMask;
        if (source == kEndOfStream) {
          bit_ = bit + kEndBits;
          at_ = at;
          return Result::kEnd;
        }
        const unsigned length = ((word >> (32 - kCopyBits)) & ((1u << kLengthBits) - 1)) + kBreakEven + 1;
        bit += kCopyBits;
        // A source at the write position itself lies a whole window back.
        const unsigned distance = ((position - source - 1) & kWindowMask) + 1;
        Copy(out_ + at, distance, length);
        at += length;
        position = (position + length) & kWindowMask;
        if (sink != nullptr && !sink(context, static_cast<std::int64_t>(at - kWindowSize + produced_before_))) {
          bit_ = bit;
          at_ = at;
          return Result::kStopped;
        }
      }
      if (at >= kOutputLimit) {
        at_ = at;
        Slide();
        at = at_;
      }
    }
  }

  // Whether the bits from bit to bits_end hold the whole token starting at
  // bit (an end marker needs fewer bits than a copy).
  bool WholeTokenAt(std::size_t bit, std::size_t bits_end) const {
    const std::size_t available = bits_end - bit;
    const std::uint32_t word = LoadBigEndian32(in_ + (bit >> 3)) << (bit & 7);
    if ((word & 0x80000000u) != 0) return available >= kLiteralBits;
    if (available < kEndBits) return false;
    return ((word >> (32 - kEndBits)) & kWindowMask) == kEndOfStream || available >= kCopyBits;
  }

  // Copies length (2 to 17) bytes from distance back, byte by byte in effect:
  // a source that overlaps the destination repeats what it has just written.
  static void Copy(std::uint8_t* destination, unsigned distance, unsigned length) {
    const std::uint8_t* source = destination - distance;
    if (distance >= 16) {
      std::uint8_t block[16];
      std::memcpy(block, source, 16);
      std::memcpy(destination, block, 16);
      destination[16] = source[16];
    } else if (distance >= 8) {
      std::memcpy(destination, source, 8);
      std::memcpy(destination + 8, source + 8, 8);
      destination[16] = source[16];
    } else if (distance == 1) {
      std::memset(destination, source[0], kLookAheadSize);
    } else {
      for (unsigned i = 0; i < length; ++i) destination[i] = source[i];
    }
  }

  // A token cut short takes the rest of the input with it.
  Result Truncated(std::size_t at) {
    at_ = at;
    bit_ = in_end_ * 8;
    return Result::kTruncated;
  }

  void Refill() {
    const std::size_t keep_from = bit_ >> 3;
    const std::size_t keep = in_end_ - keep_from;
    std::memmove(in_, in_ + keep_from, keep);
    bit_ -= keep_from * 8;
    const std::size_t read = input_.Read(in_ + keep, ByteStream::kBufferSize);
    if (read == 0) end_of_input_ = true;
    in_end_ = keep + read;
    std::memset(in_ + in_end_, 0, kInputSlack);
  }

  void WriteOut(bool all) {
    while (at_ - written_ >= ByteStream::kBufferSize) {
      output_.Write(out_ + written_, ByteStream::kBufferSize);
      written_ += ByteStream::kBufferSize;
    }
    if (all && at_ > written_) {
      output_.Write(out_ + written_, at_ - written_);
      written_ = at_;
    }
  }

  // Writes out the full pieces and moves the window back to the front.
  void Slide() {
    WriteOut(false);
    const std::size_t shift = at_ - kWindowSize;
    std::memmove(out_, out_ + shift, kWindowSize);
    at_ -= shift;
    written_ -= shift;
    produced_before_ += shift;
  }

  void Close(Result result) {
    if (result == Result::kStopped || result == Result::kEnd) {
      // A partly used byte counts as consumed.
      const std::size_t consumed = (bit_ + 7) >> 3;
      if (consumed < in_end_) {
        input_.Seek(-static_cast<std::int64_t>(in_end_ - consumed), SeekOrigin::kCurrent);
      }
    }
    WriteOut(true);
  }

  Stream& output_;
  Stream& input_;
  std::uint8_t* out_;
  std::uint8_t* in_;
  // Output: out_[0, kWindowSize) starts as the zeroed window; at_ is the next
  // byte to write, written_ the first not yet written out; produced_before_
  // counts the bytes produced before the window was last moved to the front.
  std::size_t at_ = kWindowSize;
  std::size_t written_ = kWindowSize;
  std::uint64_t produced_before_ = 0;
  // Input: bit_ counts from in_[0]; in_[0, in_end_) holds bytes read.
  std::size_t bit_ = 0;
  std::size_t in_end_ = 0;
  bool end_of_input_ = false;
};

}  // namespace

bool LzssCodec::Expand(Stream& output, Stream& input, ProgressSink sink, void* context) {
  Expander expander(output, input, state_->output, state_->input);
  return expander.Run(sink, context) == Expander::Result::kEnd;
}

}  // namespace quintarel
