#include "package/lzss_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "package/bit_stream.h"
#include "package/byte_stream.h"
#include "package/stream.h"

namespace quintarel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromString(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Contents(const MemoryStream& stream) { return Bytes(stream.data(), stream.data() + stream.size()); }

Bytes ReadTestFile(const std::string& name) {
  std::ifstream file(std::string(PROJECT_TEST_DATA_DIR) + "/codec/" + name, std::ios::binary);
  EXPECT_TRUE(file.good()) << name;
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Bytes Compress(const Bytes& input) {
  LzssCodec codec;
  MemoryStream in(input);
  MemoryStream out;
  EXPECT_TRUE(codec.Compress(out, in, nullptr, nullptr));
  return Contents(out);
}

// Expands stream from its start; *ended tells whether the end marker was met.
Bytes Expand(const Bytes& stream, bool* ended) {
  LzssCodec codec;
  MemoryStream in(stream);
  MemoryStream out;
  *ended = codec.Expand(out, in, nullptr, nullptr);
  return Contents(out);
}

// A stream over memory that records the size of every read and write asked
// of it.
class RecordingStream final : public Stream {
 public:
  explicit RecordingStream(Bytes bytes = {}) : inner_(std::move(bytes)) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    reads.push_back(count);
    return inner_.Read(buffer, count);
  }
  void Write(const void* buffer, std::size_t count) override {
    writes.push_back(count);
    inner_.Write(buffer, count);
  }
  std::uint64_t Seek(std::int64_t offset, SeekOrigin origin) override { return inner_.Seek(offset, origin); }
  std::uint64_t GetLength() override { return inner_.GetLength(); }
  void SetLength(std::uint64_t length) override { inner_.SetLength(length); }
  void Close() override {}
  const MemoryStream& inner() const { return inner_; }

  std::vector<std::size_t> reads;
  std::vector<std::size_t> writes;

 private:
  MemoryStream inner_;
};

struct Recorder {
  std::vector<std::int64_t> values;
  int stop_at_call = -1;
  static bool Sink(void* context, std::int64_t value) {
    auto* self = static_cast<Recorder*>(context);
    self->values.push_back(value);
    return static_cast<int>(self->values.size()) != self->stop_at_call;
  }
};

// --- Golden bytes -----------------------------------------------------------

struct Golden {
  const char* name;
  Bytes plain;
  Bytes packed;
};

std::vector<Golden> WorkedExamples() {
  std::string ab;
  for (int i = 0; i < 12; ++i) ab += "ab";
  return {
      {"empty", {}, {0x00, 0x00}},
      {"abc", FromString("abc"), {0xB0, 0xD8, 0xAC, 0x60, 0x00}},
      {"ten_a", FromString(std::string(10, 'a')), {0xB0, 0x80, 0x05, 0xC0, 0x00}},
      {"abc_4", FromString("abcabcabcabc"), {0xB0, 0xD8, 0xAC, 0x60, 0x01, 0x70, 0x00, 0x00}},
      // The tie rule: the last five bytes come from position 18, not 2.
      {"ab_12", FromString(ab), {0xB0, 0xD8, 0x80, 0x03, 0xE0, 0x12, 0x30, 0x00, 0x00}},
  };
}

// Inputs longer than the window on which the delete step on record 0 cuts a
// real link: an encoder that skips it or treats record 0 apart differs.
std::vector<Golden> TestVectors() {
  std::vector<Golden> vectors;
  for (const char* name : {"binary_seed113", "runs_seed20", "text_seed14"}) {
    vectors.push_back({name, ReadTestFile(std::string(name) + ".in"), ReadTestFile(std::string(name) + ".lzss")});
  }
  return vectors;
}

TEST(LzssCodecGolden, CompressGivesExactBytesAndExpandGivesInputBack) {
  std::vector<Golden> cases = WorkedExamples();
  for (Golden& vector : TestVectors()) cases.push_back(std::move(vector));
  for (const Golden& golden : cases) {
    SCOPED_TRACE(golden.name);
    EXPECT_EQ(Compress(golden.plain), golden.packed);
    bool ended = false;
    EXPECT_EQ(Expand(golden.packed, &ended), golden.plain);
    EXPECT_TRUE(ended);
  }
}

TEST(LzssCodecGolden, OneCodecServesSuccessiveCallsFromAZeroedState) {
  LzssCodec codec;
  for (const Golden& golden : TestVectors()) {
    for (int round = 0; round < 2; ++round) {
      MemoryStream in(golden.plain);
      MemoryStream packed;
      ASSERT_TRUE(codec.Compress(packed, in, nullptr, nullptr));
      EXPECT_EQ(Contents(packed), golden.packed) << golden.name;
      packed.Seek(0, SeekOrigin::kBegin);
      MemoryStream plain;
      ASSERT_TRUE(codec.Expand(plain, packed, nullptr, nullptr));
      EXPECT_EQ(Contents(plain), golden.plain) << golden.name;
    }
  }
}

// --- Round trips --------------------------------------------------------------

Bytes RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

Bytes Runs(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes;
  while (bytes.size() < size) bytes.insert(bytes.end(), 1 + random() % 70, static_cast<std::uint8_t>(random() % 3));
  bytes.resize(size);
  return bytes;
}

Bytes TextLike(std::size_t size, std::uint32_t seed) {
  static const char* const kWords[] = {"update ", "archive ", "the ", "file ", "of ", "window\n", "a ", "setup "};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) text += kWords[random() % std::size(kWords)];
  text.resize(size);
  return FromString(text);
}

// A random block followed by itself: a repeat from exactly distance back.
Bytes RepeatAt(std::size_t distance) {
  Bytes bytes = RandomBytes(distance, static_cast<std::uint32_t>(distance));
  bytes.insert(bytes.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(distance));
  return bytes;
}

struct RoundTripCase {
  const char* name;
  Bytes input;
};

std::vector<RoundTripCase> RoundTripCases() {
  Bytes mixed = TextLike(1 << 20, 1);
  for (const Bytes& part : {RandomBytes(1 << 20, 2), Runs(1 << 20, 3)}) mixed.insert(mixed.end(), part.begin(), part.end());
  return {
      {"one_byte", {0x7F}},
      {"two_bytes", {0x00, 0xFF}},
      {"zeros_4097", Bytes(4097, 0)},
      {"ones_1025", Bytes(1025, 0xFF)},
      {"run_100000", Bytes(100000, 'x')},
      {"random_1023", RandomBytes(1023, 4)},
      {"random_1024", RandomBytes(1024, 5)},
      {"random_65536", RandomBytes(65536, 6)},
      {"runs_200000", Runs(200000, 7)},
      {"text_300000", TextLike(300000, 8)},
      {"repeat_4078", RepeatAt(4078)},
      {"repeat_4079", RepeatAt(4079)},
      {"repeat_4080", RepeatAt(4080)},
      {"repeat_4095", RepeatAt(4095)},
      {"repeat_4096", RepeatAt(4096)},
      {"repeat_4097", RepeatAt(4097)},
      {"mixed_3mb", mixed},
  };
}

TEST(LzssCodecRoundTrip, ExpandGivesBackWhatCompressTook) {
  for (const RoundTripCase& test : RoundTripCases()) {
    SCOPED_TRACE(test.name);
    const Bytes packed = Compress(test.input);
    // Never longer than all literals plus the end marker.
    EXPECT_LE(packed.size(), (test.input.size() * 9 + 13 + 7) / 8);
    bool ended = false;
    const Bytes plain = Expand(packed, &ended);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(plain == test.input) << "sizes " << plain.size() << " and " << test.input.size();
  }
}

TEST(LzssCodecRoundTrip, RepeatsAreFoundUpTo4079BytesBack) {
  const std::size_t literal_only = (2 * 4079 * 9 + 13 + 7) / 8;
  EXPECT_LT(Compress(RepeatAt(4079)).size(), literal_only * 6 / 10);
  for (const std::size_t distance : {4080, 4096}) {
    EXPECT_GT(Compress(RepeatAt(distance)).size(), (2 * distance * 9 + 13 + 7) / 8 * 98 / 100) << distance;
  }
}

TEST(LzssCodecRoundTrip, LongRunsAreCopiesOfAtMost17BytesOverlappingThemselves) {
  // 'a' literal, then copies of 17 from position 1: each token is 17 bits.
  const Bytes packed = Compress(Bytes(1 + 17 * 10, 'a'));
  EXPECT_EQ(packed.size(), (9 + 17 * 10 + 13 + 7) / 8u);
}

TEST(LzssCodecRoundTrip, CompressStartsAtTheInputPositionAndWritesAtTheOutputPosition) {
  LzssCodec codec;
  MemoryStream in(FromString("xyzabc"));
  in.Seek(3, SeekOrigin::kBegin);
  MemoryStream out(FromString("HEAD"));
  out.Seek(0, SeekOrigin::kEnd);
  ASSERT_TRUE(codec.Compress(out, in, nullptr, nullptr));
  EXPECT_EQ(Contents(out), (Bytes{'H', 'E', 'A', 'D', 0xB0, 0xD8, 0xAC, 0x60, 0x00}));
}

// --- Expand's input handling --------------------------------------------------

TEST(LzssCodecExpand, FailsOnEveryTruncationWithAPrefixOfTheOutput) {
  for (const Golden& golden : WorkedExamples()) {
    for (std::size_t cut = 0; cut < golden.packed.size(); ++cut) {
      bool ended = true;
      const Bytes plain = Expand(Bytes(golden.packed.begin(), golden.packed.begin() + cut), &ended);
      EXPECT_FALSE(ended) << golden.name << " cut at " << cut;
      EXPECT_TRUE(std::equal(plain.begin(), plain.end(), golden.plain.begin()));
      EXPECT_LE(plain.size(), golden.plain.size());
    }
  }
  for (const Golden& golden : TestVectors()) {
    for (const std::size_t cut : {std::size_t{1}, std::size_t{1024}, std::size_t{1025}, golden.packed.size() / 2,
                                  golden.packed.size() - 1}) {
      LzssCodec codec;
      MemoryStream in(Bytes(golden.packed.begin(), golden.packed.begin() + static_cast<std::ptrdiff_t>(cut)));
      MemoryStream out;
      EXPECT_FALSE(codec.Expand(out, in, nullptr, nullptr)) << golden.name << " cut at " << cut;
      EXPECT_EQ(in.position(), cut);
      EXPECT_TRUE(std::equal(out.data(), out.data() + out.size(), golden.plain.begin()));
    }
  }
}

TEST(LzssCodecExpand, FailsOnInputOfOneBitsInsteadOfRunningForever) {
  bool ended = true;
  const Bytes plain = Expand(Bytes(100, 0xFF), &ended);
  EXPECT_FALSE(ended);
  // 800 bits hold 88 literals of FF.
  EXPECT_EQ(plain, Bytes(88, 0xFF));
}

// Our encoder never names the write position itself as a copy's source, but
// the format allows it: the source is then a whole window back, the bytes
// written 4096 positions earlier (the zeroed window before that many exist).
TEST(LzssCodecExpand, ACopyFromTheWritePositionReadsAWholeWindowBack) {
  struct Case {
    std::size_t literals;  // written before the copy
    unsigned length;
  };
  // 4096: the window has just been filled once; 70000: past the point where
  // the output is moved back to the front of its buffer.
  for (const Case test : {Case{10, 17}, Case{4096, 17}, Case{5000, 2}, Case{70000, 17}}) {
    const Bytes literals = RandomBytes(test.literals, 14);
    MemoryStream packed;
    {
      BitStream bits(packed, BitStream::Mode::kWrite);
      for (const std::uint8_t byte : literals) bits.OutputBits(0x100u | byte, 9);
      const auto position = static_cast<std::uint32_t>((1 + test.literals) % 4096);
      bits.OutputBits(position << 4 | (test.length - 2), 17);
      bits.OutputBits(0, 13);
      bits.Close();
    }
    Bytes expected = literals;
    for (std::size_t i = 0; i < test.length; ++i) {
      const std::size_t at = test.literals + i;
      expected.push_back(at < 4096 ? 0 : expected[at - 4096]);
    }
    bool ended = false;
    EXPECT_EQ(Expand(Contents(packed), &ended), expected) << "after " << test.literals << " literals";
    EXPECT_TRUE(ended);
  }
}

TEST(LzssCodecExpand, LeavesTheInputJustAfterTheEndMarkersByte) {
  for (const Golden& golden : TestVectors()) {
    for (const std::size_t extra : {1, 1000, 5000}) {
      Bytes stream = FromString("lead");
      stream.insert(stream.end(), golden.packed.begin(), golden.packed.end());
      stream.insert(stream.end(), extra, 0xA5);
      LzssCodec codec;
      MemoryStream in(stream);
      in.Seek(4, SeekOrigin::kBegin);
      MemoryStream out;
      ASSERT_TRUE(codec.Expand(out, in, nullptr, nullptr));
      EXPECT_EQ(Contents(out), golden.plain);
      EXPECT_EQ(in.position(), 4 + golden.packed.size()) << golden.name << " with " << extra;
    }
  }
}

TEST(LzssCodecExpand, ReadsAndWritesIn1024BytePieces) {
  const Golden golden = TestVectors()[2];
  LzssCodec codec;
  RecordingStream in(golden.packed);
  RecordingStream out;
  ASSERT_TRUE(codec.Expand(out, in, nullptr, nullptr));
  EXPECT_EQ(Contents(out.inner()), golden.plain);
  for (const std::size_t read : in.reads) EXPECT_EQ(read, 1024u);
  ASSERT_EQ(out.writes.size(), (golden.plain.size() + 1023) / 1024);
  for (std::size_t i = 0; i + 1 < out.writes.size(); ++i) EXPECT_EQ(out.writes[i], 1024u);
  EXPECT_EQ(out.writes.back(), golden.plain.size() % 1024);
}

// --- Progress -----------------------------------------------------------------

TEST(LzssCodecProgress, CompressReportsConsumedBytesPastEachHundredth) {
  struct Case {
    const char* name;
    Bytes input;
    std::vector<std::int64_t> expected;  // empty: check the rule only
  };
  const Case cases[] = {
      // Under 100 bytes the threshold is 0: a call after every token.
      {"abc", FromString("abc"), {1, 2, 3}},
      {"ten_a", FromString(std::string(10, 'a')), {1, 10}},
      {"empty", {}, {}},
      {"random_5000", RandomBytes(5000, 9), {}},
      {"text_100000", TextLike(100000, 10), {}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    LzssCodec codec;
    MemoryStream in(test.input);
    MemoryStream out;
    Recorder recorder;
    ASSERT_TRUE(codec.Compress(out, in, Recorder::Sink, &recorder));
    EXPECT_EQ(Contents(out), Compress(test.input));
    if (!test.expected.empty() || test.input.empty()) {
      EXPECT_EQ(recorder.values, test.expected);
      continue;
    }
    const std::int64_t threshold = static_cast<std::int64_t>(test.input.size() / 100);
    std::int64_t previous = 0;
    for (const std::int64_t value : recorder.values) {
      EXPECT_GT(value - previous, threshold);
      // A token moves at most 17 bytes past the threshold.
      EXPECT_LE(value - previous, threshold + 17);
      previous = value;
    }
    EXPECT_LE(previous, static_cast<std::int64_t>(test.input.size()));
    EXPECT_GE(recorder.values.size(), 85u);
    EXPECT_LE(recorder.values.size(), 100u);
  }
}

TEST(LzssCodecProgress, CompressStopsWhenTheSinkSaysSo) {
  const Bytes input = TextLike(20000, 11);
  LzssCodec codec;
  MemoryStream in(input);
  MemoryStream out;
  Recorder recorder;
  recorder.stop_at_call = 1;
  EXPECT_FALSE(codec.Compress(out, in, Recorder::Sink, &recorder));
  EXPECT_EQ(recorder.values.size(), 1u);
  // The tokens written so far, without an end marker, are a prefix of the
  // whole stream and expand to a prefix of the input.
  const Bytes partial = Contents(out);
  const Bytes whole = Compress(input);
  ASSERT_LT(partial.size(), whole.size());
  EXPECT_TRUE(std::equal(partial.begin(), partial.end() - 1, whole.begin()));
  bool ended = true;
  const Bytes plain = Expand(partial, &ended);
  EXPECT_FALSE(ended);
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), input.begin()));
  EXPECT_EQ(static_cast<std::int64_t>(plain.size()), recorder.values[0]);
}

TEST(LzssCodecProgress, ExpandReportsBytesWrittenAfterEachCopy) {
  struct Case {
    const char* name;
    Bytes packed;
    std::vector<std::int64_t> expected;
  };
  const std::vector<Golden> examples = WorkedExamples();
  const Case cases[] = {
      {"abc", examples[1].packed, {}},
      {"ten_a", examples[2].packed, {10}},
      {"abc_4", examples[3].packed, {12}},
      {"ab_12", examples[4].packed, {19, 24}},
  };
  for (const Case& test : cases) {
    LzssCodec codec;
    MemoryStream in(test.packed);
    MemoryStream out;
    Recorder recorder;
    EXPECT_TRUE(codec.Expand(out, in, Recorder::Sink, &recorder));
    EXPECT_EQ(recorder.values, test.expected) << test.name;
  }
}

TEST(LzssCodecProgress, ExpandStopsAfterTheCopyWhoseReportIsRefused) {
  const Golden golden = TestVectors()[1];
  Recorder all;
  {
    LzssCodec codec;
    MemoryStream in(golden.packed);
    MemoryStream out;
    ASSERT_TRUE(codec.Expand(out, in, Recorder::Sink, &all));
  }
  ASSERT_GT(all.values.size(), 100u);
  for (const int stop_at : {1, 100}) {
    LzssCodec codec;
    MemoryStream in(golden.packed);
    MemoryStream out;
    Recorder recorder;
    recorder.stop_at_call = stop_at;
    EXPECT_FALSE(codec.Expand(out, in, Recorder::Sink, &recorder));
    ASSERT_EQ(recorder.values.size(), static_cast<std::size_t>(stop_at));
    EXPECT_EQ(static_cast<std::int64_t>(out.size()), all.values[static_cast<std::size_t>(stop_at - 1)]);
    EXPECT_TRUE(std::equal(out.data(), out.data() + out.size(), golden.plain.begin()));
    // Continuing from where the input was left must not lose a byte, so the
    // position is inside the stream, past what the output needed.
    EXPECT_GT(in.position(), 0u);
    EXPECT_LT(in.position(), golden.packed.size());
  }
}

// --- ByteStream and BitStream -------------------------------------------------

TEST(ByteStreamTest, CloseInReadModeGivesBackTheBytesNotTaken) {
  struct Case {
    std::size_t length;
    std::size_t taken;
  };
  for (const Case test : {Case{3000, 0}, Case{3000, 1}, Case{3000, 1024}, Case{3000, 1500}, Case{3000, 3000},
                          Case{100, 100}}) {
    MemoryStream stream(RandomBytes(test.length, 12));
    ByteStream bytes(stream, ByteStream::Mode::kRead);
    for (std::size_t i = 0; i < test.taken; ++i) EXPECT_EQ(bytes.GetByte(), stream.data()[i]);
    if (test.taken == test.length) {
      EXPECT_EQ(bytes.GetByte(), ByteStream::kEndOfInput);
    }
    bytes.Close();
    EXPECT_EQ(stream.position(), test.taken) << test.length << " " << test.taken;
  }
}

TEST(ByteStreamTest, WritesFull1024BytePiecesAndTheRestOnClose) {
  RecordingStream stream;
  ByteStream bytes(stream, ByteStream::Mode::kWrite);
  for (int i = 0; i < 2500; ++i) bytes.PutByte(static_cast<std::uint8_t>(i));
  EXPECT_EQ(stream.writes, (std::vector<std::size_t>{1024, 1024}));
  bytes.Close();
  EXPECT_EQ(stream.writes, (std::vector<std::size_t>{1024, 1024, 452}));
  for (int i = 0; i < 2500; ++i) ASSERT_EQ(stream.inner().data()[i], static_cast<std::uint8_t>(i));
}

TEST(BitStreamTest, WritesMostSignificantBitFirstAndPadsWithZeros) {
  MemoryStream stream;
  BitStream bits(stream, BitStream::Mode::kWrite);
  bits.OutputBit(1);
  bits.OutputBits(0x5, 3);
  // Only the low count bits of the value are written.
  bits.OutputBits(0xFFFFFFF0u, 8);
  bits.OutputBits(0x12345678u, 32);
  bits.OutputBit(1);
  bits.Close();
  EXPECT_EQ(Contents(stream), (Bytes{0xDF, 0x01, 0x23, 0x45, 0x67, 0x88}));
}

TEST(BitStreamTest, ReadsBackAndGivesOnesPastTheEnd) {
  MemoryStream stream(Bytes{0xDF, 0x01, 0x23, 0x45, 0x67, 0x88});
  BitStream bits(stream, BitStream::Mode::kRead);
  EXPECT_EQ(bits.InputBit(), 1);
  EXPECT_EQ(bits.InputBits(3), 0x5u);
  EXPECT_EQ(bits.InputBits(8), 0xF0u);
  EXPECT_EQ(bits.InputBits(32), 0x12345678u);
  EXPECT_EQ(bits.InputBits(4), 0x8u);
  EXPECT_EQ(bits.InputBits(12), 0xFFFu);
}

TEST(BitStreamTest, CloseInReadModeCountsAPartlyUsedByteAsConsumed) {
  MemoryStream stream(RandomBytes(2000, 13));
  BitStream bits(stream, BitStream::Mode::kRead);
  bits.InputBits(17);
  bits.Close();
  EXPECT_EQ(stream.position(), 3u);
}

}  // namespace
}  // namespace quintarel
