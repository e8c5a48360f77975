// Codec throughput against zlib level 6 on the same data, in MB/s of
// uncompressed bytes. The corpus is a third text, a third programs and a
// third shared libraries, read from this machine's files in a fixed order;
// generated text or binary records stand in for what is absent. After the
// usual table a summary gives each codec's median speed next to zlib's and
// their ratio.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "package/lzss_codec.h"
#include "package/stream.h"

namespace quintarel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kPartSize = (std::size_t{16} << 20) / 3;

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

// Up to size bytes of the given files, in the order given, at most
// kFileLimit from each so that one large file does not make up the part.
Bytes Concatenate(const std::vector<std::filesystem::path>& files, std::size_t size) {
  constexpr std::size_t kFileLimit = std::size_t{512} << 10;
  Bytes data;
  for (const auto& file : files) {
    if (data.size() >= size) break;
    std::ifstream in(file, std::ios::binary);
    Bytes contents(kFileLimit);
    in.read(reinterpret_cast<char*>(contents.data()), static_cast<std::streamsize>(contents.size()));
    data.insert(data.end(), contents.begin(), contents.begin() + in.gcount());
  }
  return data;
}

// The regular files of folder that pass keep, sorted so that every run reads
// the same bytes. Links are left out: they would repeat their targets.
template <typename Keep>
std::vector<std::filesystem::path> FilesIn(const char* folder, Keep keep) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (!entry.is_symlink(error) && entry.is_regular_file(error) && keep(entry.path())) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool IsProgram(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  char magic[4] = {};
  in.read(magic, sizeof magic);
  return std::equal(magic, magic + 4, "\x7F" "ELF");
}

bool IsSharedLibrary(const std::filesystem::path& file) {
  return file.filename().string().find(".so") != std::string::npos && IsProgram(file);
}

// Files of this machine, with generated data making up what they lack.
Bytes MachineFiles(const std::vector<std::filesystem::path>& files, Bytes (*generate)(std::uint32_t, std::size_t),
                   std::uint32_t seed, std::size_t size) {
  Bytes data = Concatenate(files, size);
  if (data.size() < size) {
    const Bytes filler = generate(seed, size - data.size());
    data.insert(data.end(), filler.begin(), filler.end());
  }
  data.resize(size);
  return data;
}

Bytes MachineText(std::size_t size) {
  std::vector<std::filesystem::path> files;
  for (const char* folder : {"/usr/share/common-licenses", "/usr/include"}) {
    const auto found = FilesIn(folder, [](const std::filesystem::path&) { return true; });
    files.insert(files.end(), found.begin(), found.end());
  }
  return MachineFiles(files, GeneratedText, 7, size);
}

Bytes MachinePrograms(std::size_t size) {
  return MachineFiles(FilesIn("/usr/bin", IsProgram), GeneratedBinary, 2, size);
}

Bytes MachineLibraries(std::size_t size) {
  return MachineFiles(FilesIn("/usr/lib/x86_64-linux-gnu", IsSharedLibrary), GeneratedBinary, 3, size);
}

struct Corpus {
  Bytes text = MachineText(kPartSize);
  Bytes programs = MachinePrograms(kPartSize);
  Bytes libraries = MachineLibraries(kPartSize);
  Bytes mixed = Mixed();

  Bytes Mixed() const {
    Bytes all = text;
    all.insert(all.end(), programs.begin(), programs.end());
    all.insert(all.end(), libraries.begin(), libraries.end());
    return all;
  }

  const Bytes& Part(int index) const {
    const Bytes* parts[] = {&text, &programs, &libraries, &mixed};
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

constexpr const char* kPartNames[] = {"text", "programs", "libraries", "mixed"};

// Runs on a shared machine vary by a tenth or more, so each benchmark runs
// kRepetitions times and the summary takes the median.
constexpr int kRepetitions = 3;

// Each codec and its zlib counterpart side by side, for each part and for
// the three together.
void RegisterAll() {
  for (const bool expand : {false, true}) {
    for (int part = 0; part < static_cast<int>(std::size(kPartNames)); ++part) {
      const std::string suffix = std::string("/") + kPartNames[part];
      if (expand) {
        benchmark::RegisterBenchmark(("LzssExpand" + suffix).c_str(), LzssExpandBench, part)
            ->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
        benchmark::RegisterBenchmark(("ZlibInflate" + suffix).c_str(), ZlibInflateBench, part)
            ->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
      } else {
        benchmark::RegisterBenchmark(("LzssCompress" + suffix).c_str(), LzssCompressBench, part)
            ->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
        benchmark::RegisterBenchmark(("ZlibDeflate6" + suffix).c_str(), ZlibDeflateBench, part)
            ->Unit(benchmark::kMillisecond)->Repetitions(kRepetitions);
      }
    }
  }
}

// The console table, and each run's speed kept for the summary.
class SummaryReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto found = run.counters.find("bytes_per_second");
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" && !run.error_occurred &&
          found != run.counters.end()) {
        megabytes_per_second_[run.run_name.function_name] = found->second.value / 1e6;
      }
    }
  }

  void PrintSummary() const {
    std::printf("\n%-10s %-8s %10s %10s %8s\n", "part", "codec", "LZSS MB/s", "zlib MB/s", "ratio");
    for (const char* part : kPartNames) {
      PrintLine(part, "compress", "LzssCompress", "ZlibDeflate6");
      PrintLine(part, "expand", "LzssExpand", "ZlibInflate");
    }
  }

 private:
  void PrintLine(const char* part, const char* codec, const char* ours, const char* theirs) const {
    const auto mine = megabytes_per_second_.find(std::string(ours) + "/" + part);
    const auto zlib = megabytes_per_second_.find(std::string(theirs) + "/" + part);
    if (mine == megabytes_per_second_.end() || zlib == megabytes_per_second_.end()) return;
    std::printf("%-10s %-8s %10.1f %10.1f %7.2fx\n", part, codec, mine->second, zlib->second,
                mine->second / zlib->second);
  }

  std::map<std::string, double> megabytes_per_second_;
};

}  // namespace
}  // namespace quintarel

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  quintarel::RegisterAll();
  quintarel::SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}
