#include "updater/upgrade/open_update.h"

namespace quintarel {

bool OpenUpdate(const std::string& path, UpdateArchive& archive, UpdateInfo& script) {
  if (!archive.Open(path) || archive.GetCount() < 2) return false;
  MemoryStream text;
  if (!archive.ExtractAt(0, text, nullptr)) return false;
  text.Seek(0, SeekOrigin::kBegin);
  return script.Load(text);
}

}  // namespace quintarel
