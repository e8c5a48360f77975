// Reading an archive from arbitrary bytes, then extracting every entry both
// to memory and to files: nothing may crash, hang or claim success for an
// entry that does not expand to exactly its recorded size.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "package/update_archive.h"
#include "tests/support/memory_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quintarel;
  testing::MemoryFileSystem files;
  files.AddFile("C:\\update.dat", std::vector<std::uint8_t>(data, data + size));
  files.AddFolder("C:\\out");

  UpdateArchive archive(files);
  if (!archive.Open("C:\\update.dat")) return 0;
  // Entries need at least their records, so a successful read is bounded.
  FuzzCheck(static_cast<std::size_t>(archive.GetCount()) * 284 + 72 <= size, "count fits the input");

  for (int i = 0; i < archive.GetCount(); ++i) {
    const ArchiveEntry& entry = archive.entry(i);
    MemoryStream out;
    const bool extracted = archive.ExtractAt(i, out, nullptr);
    if (extracted) FuzzCheck(out.size() == entry.file_size(), "extracted size equals fileSize");

    const std::string dest = "C:\\out\\" + std::to_string(i);
    files.AddFile(dest, "old");
    const bool written = archive.ExtractToFile(dest, entry.name(), nullptr);
    const auto contents = files.Contents(dest);
    FuzzCheck(contents.has_value(), "destination survives");
    if (!written) {
      FuzzCheck(*contents == std::vector<std::uint8_t>{'o', 'l', 'd'}, "failure keeps the old file");
    }
  }

  // Writing it back gives bytes that read again to the same entries.
  MemoryStream copy;
  archive.WriteTo(copy);
  copy.Seek(0, SeekOrigin::kBegin);
  UpdateArchive reread(files);
  FuzzCheck(reread.ReadFrom(copy), "a written archive reads back");
  FuzzCheck(reread.GetCount() == archive.GetCount(), "same entry count");
  return 0;
}
