#ifndef TESTS_SUPPORT_MEMORY_FILE_SYSTEM_H_
#define TESTS_SUPPORT_MEMORY_FILE_SYSTEM_H_

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "package/file_system.h"

namespace quintarel::testing {

// An in-memory file system that behaves like Windows where the package
// cares: names ignore ASCII case, opens do not share, read-only files refuse
// writes, a folder must exist before a file goes into it. "C:" and "D:"
// exist from the start. Faults can be injected.
class MemoryFileSystem final : public FileSystem {
 public:
  struct Node {
    std::string name;  // the last part of the path, as created
    bool folder = false;
    bool link = false;
    bool read_only = false;
    bool open = false;
    // A running program or loaded library: it can be read and renamed, but
    // not written or removed.
    bool running = false;
    std::vector<std::uint8_t> bytes;
    // How many leading bytes the last Flush wrote through.
    std::size_t flushed = 0;
    FileTimes times;
  };

  MemoryFileSystem();

  std::unique_ptr<File> OpenForRead(const std::string& path, FileErrorCause* cause) override;
  std::unique_ptr<File> CreateNew(const std::string& path, FileErrorCause* cause) override;
  bool Exists(const std::string& path) override;
  bool IsLink(const std::string& path) override;
  bool IsReplaceable(const std::string& path) override;
  bool SetArchiveAttributeOnly(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  bool GetTimes(const std::string& path, FileTimes* times) override;
  bool SetTimes(const std::string& path, const FileTimes& times) override;
  FileErrorCause RenameReplacing(const std::string& from, const std::string& to) override;
  bool RemoveFile(const std::string& path) override;
  // Entries in name order, ASCII case ignored, as Wine returns them.
  bool ListFolder(const std::string& folder, std::vector<FolderEntry>* entries) override;
  // Errors as Win32 numbers them: 2 no file, 3 no folder, 5 denied, 32 in use.
  std::uint32_t CopyReplacing(const std::string& from, const std::string& to) override;
  bool SetNormalAttributes(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;

  // Test setup and inspection.
  void AddFile(const std::string& path, std::vector<std::uint8_t> bytes, FileTimes times = {});
  void AddFile(const std::string& path, const std::string& text, FileTimes times = {});
  void AddFolder(const std::string& path);
  // A folder that is a symbolic link or junction.
  void AddFolderLink(const std::string& path);
  Node* Lookup(const std::string& path);
  std::optional<std::vector<std::uint8_t>> Contents(const std::string& path);
  // Every path present, files and folders, in name order.
  std::vector<std::string> Paths() const;

  // Writes fail with "disk full" once this many more bytes have been written.
  void set_write_budget(std::uint64_t bytes) { write_budget_ = bytes; }
  // Reads fail with a hardware error once this many more bytes have been read.
  void set_read_budget(std::uint64_t bytes) { read_budget_ = bytes; }
  // Time given to files when they are created or written.
  void set_now(std::int64_t seconds) { now_ = seconds; }
  // Copies from these paths fail with "access denied".
  void refuse_copy_from(const std::string& path) { refused_copies_.push_back(Key(path)); }
  // RemoveFile fails for every file, as for files another process keeps.
  void refuse_removals(bool refuse) { removals_refused_ = refuse; }
  // The next rename onto path fails with "access denied".
  void refuse_rename_to(const std::string& path) { refused_rename_targets_.push_back(Key(path)); }
  // The next count CreateNew calls find their name taken.
  void take_created_names(int count) { names_taken_ = count; }
  // Every change after count more fails, as if the process were killed
  // there (reads still work); nullopt lifts the stop.
  void stop_after_changes(std::optional<std::uint64_t> count) { changes_left_ = count; }
  // Changes made so far: creations, writes, flushes, renames, removals,
  // times and attributes.
  std::uint64_t changes() const { return changes_; }
  // Drops every byte written since its file's last flush, as losing power
  // does, and stops all changes.
  void PowerCut();
  // Relative paths resolve below this folder; empty leaves them as they are.
  void set_current_folder(const std::string& folder) { current_folder_ = folder; }
  // Listing folder ends after count entries, as a finder that fails partway.
  void stop_listing_after(const std::string& folder, std::size_t count) {
    listing_stops_[Key(folder)] = count;
  }

 private:
  friend class MemoryFile;
  std::string Key(const std::string& path) const;
  bool ParentExists(const std::string& path);
  // Counts a change; false once stopped.
  bool Change();

  std::map<std::string, std::shared_ptr<Node>> nodes_;
  std::optional<std::uint64_t> write_budget_;
  std::optional<std::uint64_t> read_budget_;
  std::int64_t now_ = 1'600'000'000;
  std::string current_folder_;
  std::vector<std::string> refused_copies_;
  std::vector<std::string> refused_rename_targets_;
  int names_taken_ = 0;
  bool removals_refused_ = false;
  std::map<std::string, std::size_t> listing_stops_;
  std::optional<std::uint64_t> changes_left_;
  // Files may be flushed on another thread while changes go on; held by
  // pointer so that a file system can still be assigned.
  std::unique_ptr<std::mutex> change_mutex_ = std::make_unique<std::mutex>();
  std::uint64_t changes_ = 0;
};

}  // namespace quintarel::testing

#endif  // TESTS_SUPPORT_MEMORY_FILE_SYSTEM_H_
