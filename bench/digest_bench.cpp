// The cost of checking a sealed archive as the wizard opens it: an archive
// of SIZE_MB of mixed entries (text that compresses and bytes that do not)
// is sealed in memory, then checked RUNS times; prints the time, the rate
// of uncompressed bytes and the peak memory that the check added.
// usage: digest_bench [SIZE_MB] [RUNS]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "package/archive_digests.h"
#include "tests/support/memory_file_system.h"

namespace quintarel {
namespace {

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int Run(std::size_t size_mb, int runs) {
  testing::MemoryFileSystem files;
  UpdateArchive archive(files);
  files.AddFile("update.inf", "[Quintarel Corporation UpdateInfo]\r\nformat=0\r\n");
  if (!archive.AddFile("update.inf", nullptr)) return 2;
  constexpr std::size_t kEntrySize = 4 << 20;
  std::mt19937 random(1);
  std::uint64_t total = 0;
  for (std::size_t i = 0; total < size_mb << 20; ++i) {
    std::string bytes(kEntrySize, '\0');
    for (std::size_t j = 0; j < bytes.size(); ++j) {
      // Even entries are words from a small vocabulary, odd ones noise.
      bytes[j] = i % 2 == 0 ? "the quick brown fox jumps "[random() % 26] : static_cast<char>(random());
    }
    const std::string name = "part" + std::to_string(i) + ".bin";
    files.AddFile(name, bytes);
    if (!archive.AddFile(name, nullptr)) return 2;
    files.RemoveFile(name);
    total += kEntrySize;
  }
  std::vector<Sha256Digest> digests;
  for (int i = 0; i < archive.GetCount(); ++i) digests.push_back(*DigestOfEntry(archive, i));
  SealArchive(archive, digests);
  const long before = PeakKilobytes();
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const DigestCheck check = CheckDigests(archive);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (check.state != DigestCheck::State::kSound) return 1;
    std::printf("run %d: %llu MB checked in %.2f s, %.0f MB/s, peak memory +%ld KiB\n", run + 1,
                static_cast<unsigned long long>(total >> 20), seconds.count(),
                static_cast<double>(total >> 20) / seconds.count(), PeakKilobytes() - before);
  }
  return 0;
}

}  // namespace
}  // namespace quintarel

int main(int argc, char** argv) {
  const std::size_t size_mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  return quintarel::Run(size_mb, runs);
}
