// Codec throughput against zlib level 6 on the same data, in MB/s of
// uncompressed bytes. The corpus is built deterministically: generated text,
// generated binary records, and text files of this machine in a fixed order
// (generated text stands in when they are absent).

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "package/lzss_codec.h"
#include "package/stream.h"

namespace quintarel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kPartSize = std::size_t{8} << 20;

Bytes GeneratedText(std::uint32_t seed, std::size_t size) {
  static const char* const kWords[] = {
      "the",     "update",  "archive", "file",    "system",  "window",  "of",      "and",
      "to",      "a",       "in",      "is",      "copy",    "version", "folder",  "user",
      "setup",   "program", "license", "entry",   "stream",  "bytes",   "wizard",  "install",
      "for",     "with",    "when",    "not",     "registry", "key",    "value",   "path",
      "backup",  "restore", "error",   "message", "press",   "next",    "cancel",  "finish"};
  constexpr std::size_t kCount = std::size(kWords);
  std::mt19937 random(seed);
  // Squaring a uniform draw favours the first words, roughly as in prose.
  std::uniform_real_distribution<double> draw(0.0, 1.0);
  std::uniform_int_distribution<int> sentence(4, 18);
  Bytes text;
  text.reserve(size + 64);
  std::size_t line = 0;
  while (text.size() < size) {
    const int words = sentence(random);
    for (int i = 0; i < words; ++i) {
      const double u = draw(random);
      std::string word = kWords[static_cast<std::size_t>(u * u * kCount) % kCount];
      if (i == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
      text.insert(text.end(), word.begin(), word.end());
      text.push_back(i + 1 == words ? '.' : ' ');
      line += word.size() + 1;
    }
    if (line > 70) {
      text.push_back('\n');
      line = 0;
    } else {
      text.push_back(' ');
    }
  }
  text.resize(size);
  return text;
}

// Records of little-endian fields, as in program images and tables: counters,
// small values, flags, and a share of noise.
Bytes GeneratedBinary(std::uint32_t seed, std::size_t size) {
  std::mt19937 random(seed);
  Bytes data;
  data.reserve(size + 64);
  std::uint32_t counter = 0x00401000;
  while (data.size() < size) {
    const std::uint32_t kind = random() % 4;
    std::uint32_t fields[4];
    if (kind == 0) {
      fields[0] = counter += 16 + random() % 64;
      fields[1] = random() % 256;
      fields[2] = 0;
      fields[3] = 0x80000000u | (random() % 8);
    } else if (kind == 1) {
      fields[0] = 0x8B55EC8Bu;
      fields[1] = 0x0C458B00u | (random() % 16);
      fields[2] = counter;
      fields[3] = random() % 1024;
    } else {
      for (std::uint32_t& field : fields) field = kind == 2 ? random() : random() % 65536;
    }
    for (const std::uint32_t field : fields) {
      for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<std::uint8_t>(field >> shift));
    }
  }
  data.resize(size);
  return data;
}

Bytes MachineText(std::size_t size) {
  std::vector<std::filesystem::path> files;
  for (const char* folder : {"/usr/share/common-licenses", "/usr/include"}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      if (entry.is_regular_file(error)) files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  Bytes data;
  for (const auto& file : files) {
    if (data.size() >= size) break;
    std::ifstream in(file, std::ios::binary);
    data.insert(data.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (data.size() < size) {
    const Bytes filler = GeneratedText(7, size - data.size());
    data.insert(data.end(), filler.begin(), filler.end());
  }
  data.resize(size);
  return data;
}

struct Corpus {
  Bytes text = GeneratedText(1, kPartSize);
  Bytes binary = GeneratedBinary(2, kPartSize);
  Bytes machine = MachineText(kPartSize);
  Bytes mixed = Mixed();

  Bytes Mixed() const {
    Bytes all = text;
    all.insert(all.end(), binary.begin(), binary.end());
    all.insert(all.end(), machine.begin(), machine.end());
    return all;
  }

  const Bytes& Part(int index) const {
    const Bytes* parts[] = {&text, &binary, &machine, &mixed};
    return *parts[index];
  }
};

const Corpus& GetCorpus() {
  static const Corpus corpus;
  return corpus;
}

Bytes LzssCompress(const Bytes& data) {
  LzssCodec codec;
  MemoryStream input(data);
  MemoryStream output;
  codec.Compress(output, input, nullptr, nullptr);
  return output.TakeBytes();
}

Bytes ZlibCompress(const Bytes& data) {
  uLongf size = compressBound(data.size());
  Bytes packed(size);
  if (compress2(packed.data(), &size, data.data(), data.size(), 6) != Z_OK) throw std::runtime_error("deflate failed");
  packed.resize(size);
  return packed;
}

void ReportRatio(benchmark::State& state, std::size_t packed, std::size_t plain) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * plain));
  state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(plain);
}

void LzssCompressBench(benchmark::State& state, int part) {
  const Bytes& data = GetCorpus().Part(part);
  LzssCodec codec;
  MemoryStream input(data);
  MemoryStream output;
  for (auto _ : state) {
    input.Seek(0, SeekOrigin::kBegin);
    output.SetLength(0);
    codec.Compress(output, input, nullptr, nullptr);
  }
  ReportRatio(state, output.size(), data.size());
}

void LzssExpandBench(benchmark::State& state, int part) {
  const Bytes& data = GetCorpus().Part(part);
  LzssCodec codec;
  const Bytes packed = LzssCompress(data);
  MemoryStream input(packed);
  MemoryStream output;
  for (auto _ : state) {
    input.Seek(0, SeekOrigin::kBegin);
    output.SetLength(0);
    if (!codec.Expand(output, input, nullptr, nullptr)) state.SkipWithError("expand failed");
  }
  if (output.size() != data.size() || !std::equal(data.begin(), data.end(), output.data())) {
    state.SkipWithError("round trip differs");
  }
  ReportRatio(state, packed.size(), data.size());
}

void ZlibDeflateBench(benchmark::State& state, int part) {
  const Bytes& data = GetCorpus().Part(part);
  Bytes packed(compressBound(data.size()));
  uLongf size = 0;
  for (auto _ : state) {
    size = packed.size();
    if (compress2(packed.data(), &size, data.data(), data.size(), 6) != Z_OK) state.SkipWithError("deflate failed");
  }
  ReportRatio(state, size, data.size());
}

void ZlibInflateBench(benchmark::State& state, int part) {
  const Bytes& data = GetCorpus().Part(part);
  const Bytes packed = ZlibCompress(data);
  Bytes plain(data.size());
  for (auto _ : state) {
    uLongf size = plain.size();
    if (uncompress(plain.data(), &size, packed.data(), packed.size()) != Z_OK) state.SkipWithError("inflate failed");
  }
  if (plain != data) state.SkipWithError("round trip differs");
  ReportRatio(state, packed.size(), data.size());
}

// Each codec and its zlib counterpart side by side, for each part and for
// the three together.
const bool kRegistered = [] {
  const char* const part_names[] = {"text", "binary", "machine", "mixed"};
  for (const bool expand : {false, true}) {
    for (int part = 0; part < static_cast<int>(std::size(part_names)); ++part) {
      const std::string suffix = std::string("/") + part_names[part];
      if (expand) {
        benchmark::RegisterBenchmark(("LzssExpand" + suffix).c_str(), LzssExpandBench, part)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ZlibInflate" + suffix).c_str(), ZlibInflateBench, part)
            ->Unit(benchmark::kMillisecond);
      } else {
        benchmark::RegisterBenchmark(("LzssCompress" + suffix).c_str(), LzssCompressBench, part)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ZlibDeflate6" + suffix).c_str(), ZlibDeflateBench, part)
            ->Unit(benchmark::kMillisecond);
      }
    }
  }
  return true;
}();

}  // namespace
}  // namespace quintarel

BENCHMARK_MAIN();
