#include "updater/upgrade/open_update.h"

#include "package/archive_digests.h"

namespace quintarel {

bool OpenUpdate(const std::string& path, UpdateArchive& archive, UpdateInfo& script) {
  if (!archive.Open(path)) return false;
  // Nothing is read from an archive whose seal does not hold.
  const DigestCheck seal = CheckDigests(archive);
  if (!seal.sound()) return false;
  if (CountFileEntries(archive) < 2) return false;
  MemoryStream text;
  if (!archive.ExtractAt(0, text, nullptr)) return false;
  text.Seek(0, SeekOrigin::kBegin);
  return script.Load(text);
}

}  // namespace quintarel
