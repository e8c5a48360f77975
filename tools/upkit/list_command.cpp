// list: one line per entry, or the entries as JSON.

#include <cinttypes>
#include <cstdio>

#include "package/archive_digests.h"
#include "tools/upkit/commands.h"
#include "tools/upkit/json.h"
#include "tools/upkit/names.h"
#include "tools/upkit/time_format.h"

namespace quintarel::upkit {

namespace {

void PrintText(const UpdateArchive& archive) {
  for (int i = 0; i < archive.GetCount(); ++i) {
    const ArchiveEntry& entry = archive.entry(i);
    // Tabs between the fields: a name may contain spaces.
    // The digest entry gets a ninth field that says what it is.
    std::printf("%d\t%s\t%" PRIu32 "\t%" PRIu32 "\t%u\t%s\t%s\t%s%s\n", i,
                PrintableName(entry.name()).c_str(), entry.file_size(), entry.stored_size(),
                static_cast<unsigned>(entry.compressed()),
                FormatArchiveTime(entry.creation_time()).c_str(),
                FormatArchiveTime(entry.write_time()).c_str(),
                FormatArchiveTime(entry.access_time()).c_str(),
                IsDigestEntryName(entry.name()) ? "\tdigests" : "");
  }
}

void PrintJson(const UpdateArchive& archive) {
  std::string out = "{\"entries\":[";
  for (int i = 0; i < archive.GetCount(); ++i) {
    const ArchiveEntry& entry = archive.entry(i);
    if (i != 0) out += ',';
    out += "{\"index\":" + std::to_string(i);
    out += ",\"name\":" + JsonString(entry.name());
    out += ",\"nameHex\":\"" + HexBytes(entry.name()) + '"';
    out += ",\"fileSize\":" + std::to_string(entry.file_size());
    out += ",\"storedSize\":" + std::to_string(entry.stored_size());
    out += ",\"compressed\":" + std::to_string(entry.compressed());
    out += ",\"creationTime\":" + std::to_string(entry.creation_time());
    out += ",\"writeTime\":" + std::to_string(entry.write_time());
    out += ",\"accessTime\":" + std::to_string(entry.access_time());
    if (IsDigestEntryName(entry.name())) out += ",\"digests\":true";
    out += '}';
  }
  out += "]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace

int RunList(const Arguments& args) {
  bool json = false;
  const std::string* path = nullptr;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "' for list");
    } else if (path == nullptr) {
      path = &arg;
    } else {
      return UsageError("list takes one ARCHIVE");
    }
  }
  if (path == nullptr) return UsageError("list needs an ARCHIVE");

  UpdateArchive archive(OperatingSystemFiles());
  if (!OpenArchive(*path, archive)) return kExitFailure;
  if (json) {
    PrintJson(archive);
  } else {
    PrintText(archive);
  }
  return kExitOk;
}

}  // namespace quintarel::upkit
