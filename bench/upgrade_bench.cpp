// Time of Finish's file writing for a large upgrade on the real file system:
// an installed program of COUNT files of SIZE_MB in all is replaced from an
// archive of stored-alike (incompressible) entries. The archive is built
// first and not timed.
// usage: upgrade_bench FOLDER [SIZE_MB] [COUNT] [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "package/file_stream.h"
#include "package/file_system.h"
#include "package/update_archive.h"
#include "tests/support/fake_library_loader.h"
#include "tests/support/fake_platform.h"
#include "updater/upgrade/program_upgrade.h"

namespace quintarel {
namespace {

void WriteRandomFile(FileSystem& files, const std::string& path, std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; i += 4) {
    const std::uint32_t word = random();
    std::memcpy(&bytes[i], &word, std::min<std::size_t>(4, size - i));
  }
  files.RemoveFile(path);
  FileErrorCause cause = FileErrorCause::kNone;
  const std::unique_ptr<FileStream> file = FileStream::Open(files, path, FileStream::Mode::kCreateNew, &cause);
  if (!file) std::exit(2);
  file->Write(bytes.data(), bytes.size());
  file->Close();
}

int Run(const std::string& folder, std::size_t size_mb, int count, int runs) {
  FileSystem& files = OperatingSystemFiles();
  const std::string source = folder + "\\source";
  const std::string program = folder + "\\Program";
  files.CreateFolder(source);
  files.CreateFolder(program);
  const std::size_t file_size = size_mb * 1024 * 1024 / static_cast<std::size_t>(count);
  const std::string archive_path = folder + "\\update.dat";
  std::vector<CopyListLine> lines;
  {
    UpdateArchive archive(files);
    for (int i = 0; i < count; ++i) {
      const std::string name = "part" + std::to_string(i) + ".bin";
      WriteRandomFile(files, source + "\\" + name, file_size, static_cast<std::uint32_t>(i));
      if (!archive.AddFile(name, source + "\\" + name, nullptr)) return 2;
      lines.push_back({name, name});
    }
    files.RemoveFile(archive_path);
    if (!archive.Save(archive_path)) return 2;
  }
  UpdateArchive archive(files);
  if (!archive.Open(archive_path)) return 2;
  testing::FakeLibraryLoader library;
  testing::FakeShellFolders folders;
  testing::FakeShellLinks links(files);
  for (int run = 0; run < runs; ++run) {
    for (int i = 0; i < count; ++i) {
      WriteRandomFile(files, program + "\\part" + std::to_string(i) + ".bin", file_size, 1000u + i);
    }
    ProgramUpgrade upgrade({files, library, folders, links, folder + "\\updater.exe"}, archive,
                           {program + "\\", lines, "", {}});
    const auto start = std::chrono::steady_clock::now();
    const WriteOutcome outcome = upgrade.WriteProgramFiles();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (!outcome.written()) return 1;
    std::printf("run %d: %zu MB in %d files written in %.2f s\n", run + 1, size_mb, count, seconds.count());
  }
  return 0;
}

}  // namespace
}  // namespace quintarel

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: upgrade_bench FOLDER [SIZE_MB] [COUNT] [RUNS]\n");
    return 2;
  }
  const std::size_t size_mb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 300;
  const int count = argc > 3 ? std::atoi(argv[3]) : 60;
  const int runs = argc > 4 ? std::atoi(argv[4]) : 3;
  return quintarel::Run(argv[1], size_mb, count, runs);
}
