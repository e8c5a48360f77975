#ifndef UPDATER_UNATTENDED_UPGRADE_LOG_H_
#define UPDATER_UNATTENDED_UPGRADE_LOG_H_

#include <functional>
#include <memory>
#include <string>

#include "package/file_stream.h"
#include "package/file_system.h"

namespace quintarel {

// The log of an unattended upgrade, a text file that an administrator
// reads: one line per step, after its time. Each line is handed to the
// system as it is written, so a kill or a crash of the updater leaves every
// line so far.
class UpgradeLog {
 public:
  using Clock = std::function<std::string()>;

  // Creates the log at path, replacing a file there; null when it cannot.
  static std::unique_ptr<UpgradeLog> Create(FileSystem& files, const std::string& path, Clock clock);

  UpgradeLog(std::unique_ptr<FileStream> file, Clock clock) : file_(std::move(file)), clock_(std::move(clock)) {}

  // Writes "<time>  <text>" and a line end. A log that can no longer be
  // written is given up; the upgrade does not depend on it.
  void Line(const std::string& text);

 private:
  std::unique_ptr<FileStream> file_;
  Clock clock_;
};

// The local time as "YYYY-MM-DD hh:mm:ss".
std::string LocalTimestamp();

}  // namespace quintarel

#endif  // UPDATER_UNATTENDED_UPGRADE_LOG_H_
