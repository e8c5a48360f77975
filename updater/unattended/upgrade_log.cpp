#include "updater/unattended/upgrade_log.h"

#include <ctime>

namespace quintarel {

std::unique_ptr<UpgradeLog> UpgradeLog::Create(FileSystem& files, const std::string& path, Clock clock) {
  if (files.Exists(path)) files.RemoveFile(path);
  FileErrorCause cause = FileErrorCause::kNone;
  std::unique_ptr<FileStream> file = FileStream::Open(files, path, FileStream::Mode::kCreateNew, &cause);
  if (!file) return nullptr;
  return std::make_unique<UpgradeLog>(std::move(file), std::move(clock));
}

void UpgradeLog::Line(const std::string& text) {
  if (!file_) return;
  const std::string line = clock_() + "  " + text + "\r\n";
  try {
    file_->Write(line.data(), line.size());
  } catch (const FileError&) {
    file_.reset();
  }
}

std::string LocalTimestamp() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  char text[32] = {};
  // A clock the runtime cannot convert leaves the line without its time.
  if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local) == 0) return "-";
  return text;
}

}  // namespace quintarel
