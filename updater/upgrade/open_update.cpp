#include "updater/upgrade/open_update.h"

namespace quintarel {

bool OpenUpdate(const std::string& path, UpdateArchive& archive, UpdateInfo& script, DigestCheck* seal) {
  if (!archive.Open(path)) return false;
  // Nothing is read from an archive whose seal does not hold.
  const DigestCheck check = CheckDigests(archive);
  if (seal) *seal = check;
  if (!check.sound()) return false;
  if (CountFileEntries(archive) < 2) return false;
  MemoryStream text;
  if (!archive.ExtractAt(0, text, nullptr)) return false;
  text.Seek(0, SeekOrigin::kBegin);
  return script.Load(text);
}

}  // namespace quintarel
