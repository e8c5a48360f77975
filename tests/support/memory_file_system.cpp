#include "tests/support/memory_file_system.h"

#include <algorithm>
#include <cstring>

#include "package/path.h"
#include "package/text.h"

namespace quintarel::testing {

class MemoryFile final : public File {
 public:
  MemoryFile(MemoryFileSystem& owner, std::shared_ptr<MemoryFileSystem::Node> node, bool writable)
      : owner_(owner), node_(std::move(node)), writable_(writable) {
    node_->open = true;
  }
  ~MemoryFile() override { node_->open = false; }

  FileErrorCause Read(void* buffer, std::size_t count, std::size_t* read) override {
    if (writable_) return FileErrorCause::kAccessDenied;
    const std::size_t size = node_->bytes.size();
    std::size_t n = position_ < size ? std::min<std::size_t>(count, size - position_) : 0;
    if (owner_.read_budget_) {
      if (n > *owner_.read_budget_) return FileErrorCause::kHardIO;
      *owner_.read_budget_ -= n;
    }
    if (n != 0) std::memcpy(buffer, node_->bytes.data() + position_, n);
    position_ += n;
    *read = n;
    return FileErrorCause::kNone;
  }

  FileErrorCause Write(const void* buffer, std::size_t count) override {
    if (!writable_) return FileErrorCause::kAccessDenied;
    if (!owner_.Change()) return FileErrorCause::kHardIO;
    if (owner_.write_budget_) {
      if (count > *owner_.write_budget_) return FileErrorCause::kDiskFull;
      *owner_.write_budget_ -= count;
    }
    if (position_ + count > node_->bytes.size()) node_->bytes.resize(position_ + count);
    if (count != 0) std::memcpy(node_->bytes.data() + position_, buffer, count);
    position_ += count;
    node_->times.last_write = owner_.now_;
    return FileErrorCause::kNone;
  }

  FileErrorCause Seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) override {
    std::int64_t base = 0;
    if (origin == SeekOrigin::kCurrent) base = static_cast<std::int64_t>(position_);
    if (origin == SeekOrigin::kEnd) base = static_cast<std::int64_t>(node_->bytes.size());
    if (base + offset < 0) return FileErrorCause::kBadSeek;
    position_ = static_cast<std::size_t>(base + offset);
    *position = position_;
    return FileErrorCause::kNone;
  }

  FileErrorCause GetLength(std::uint64_t* length) override {
    *length = node_->bytes.size();
    return FileErrorCause::kNone;
  }

  FileErrorCause SetLength(std::uint64_t length) override {
    if (!writable_) return FileErrorCause::kAccessDenied;
    if (!owner_.Change()) return FileErrorCause::kHardIO;
    node_->bytes.resize(static_cast<std::size_t>(length));
    return FileErrorCause::kNone;
  }

  FileErrorCause Flush() override {
    if (!writable_) return FileErrorCause::kAccessDenied;
    if (!owner_.Change()) return FileErrorCause::kHardIO;
    node_->flushed = node_->bytes.size();
    return FileErrorCause::kNone;
  }

  FileErrorCause Close() override { return FileErrorCause::kNone; }

 private:
  MemoryFileSystem& owner_;
  std::shared_ptr<MemoryFileSystem::Node> node_;
  bool writable_;
  std::size_t position_ = 0;
};

MemoryFileSystem::MemoryFileSystem() {
  AddFolder("C:");
  AddFolder("D:");
}

std::string MemoryFileSystem::Key(const std::string& path) const {
  const bool relative = !path.empty() && path[0] != '\\' && path.find(':') == std::string::npos;
  std::string key = relative && !current_folder_.empty() ? current_folder_ + "\\" + path : path;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  // The file system accepts doubled separators ("C:\\App\\\\run.exe").
  key.erase(std::unique(key.begin(), key.end(), [](char a, char b) { return a == '\\' && b == a; }),
            key.end());
  while (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

bool MemoryFileSystem::ParentExists(const std::string& path) {
  const std::size_t separator = FindLastSeparator(path);
  if (separator == std::string::npos) return true;
  Node* parent = Lookup(path.substr(0, separator));
  return parent != nullptr && parent->folder;
}

MemoryFileSystem::Node* MemoryFileSystem::Lookup(const std::string& path) {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : it->second.get();
}

std::unique_ptr<File> MemoryFileSystem::OpenForRead(const std::string& path,
                                                    FileErrorCause* cause) {
  auto it = nodes_.find(Key(path));
  if (it == nodes_.end()) {
    *cause = ParentExists(path) ? FileErrorCause::kFileNotFound : FileErrorCause::kBadPath;
    return nullptr;
  }
  if (it->second->folder) {
    *cause = FileErrorCause::kAccessDenied;
    return nullptr;
  }
  if (it->second->open) {
    *cause = FileErrorCause::kSharingViolation;
    return nullptr;
  }
  *cause = FileErrorCause::kNone;
  return std::make_unique<MemoryFile>(*this, it->second, false);
}

std::unique_ptr<File> MemoryFileSystem::CreateNew(const std::string& path, FileErrorCause* cause) {
  if (!ParentExists(path)) {
    *cause = FileErrorCause::kBadPath;
    return nullptr;
  }
  if (!Change()) {
    *cause = FileErrorCause::kHardIO;
    return nullptr;
  }
  auto& slot = nodes_[Key(path)];
  if (slot || names_taken_-- > 0) {
    *cause = FileErrorCause::kAlreadyExists;
    return nullptr;
  }
  slot = std::make_shared<Node>();
  slot->name = FileNameOf(path);
  slot->times = FileTimes{now_, now_, now_};
  *cause = FileErrorCause::kNone;
  return std::make_unique<MemoryFile>(*this, slot, true);
}

bool MemoryFileSystem::Exists(const std::string& path) { return Lookup(path) != nullptr; }

bool MemoryFileSystem::IsLink(const std::string& path) {
  const Node* node = Lookup(path);
  return node != nullptr && node->link;
}

bool MemoryFileSystem::SetArchiveAttributeOnly(const std::string& path) {
  Node* node = Lookup(path);
  if (node == nullptr || !Change()) return false;
  node->read_only = false;
  return true;
}

bool MemoryFileSystem::CreateFolder(const std::string& path) {
  if (Exists(path) || !ParentExists(path) || !Change()) return false;
  AddFolder(path);
  return true;
}

bool MemoryFileSystem::GetTimes(const std::string& path, FileTimes* times) {
  Node* node = Lookup(path);
  if (node == nullptr) return false;
  *times = node->times;
  return true;
}

bool MemoryFileSystem::SetTimes(const std::string& path, const FileTimes& times) {
  Node* node = Lookup(path);
  if (node == nullptr || node->folder || node->read_only || node->open || !Change()) return false;
  if (times.creation != 0) node->times.creation = times.creation;
  if (times.last_write != 0) node->times.last_write = times.last_write;
  if (times.last_access != 0) node->times.last_access = times.last_access;
  return true;
}

FileErrorCause MemoryFileSystem::RenameReplacing(const std::string& from, const std::string& to) {
  if (!Change()) return FileErrorCause::kHardIO;
  auto source = nodes_.find(Key(from));
  if (source == nodes_.end()) return FileErrorCause::kFileNotFound;
  if (source->second->open) return FileErrorCause::kSharingViolation;
  if (!ParentExists(to)) return FileErrorCause::kBadPath;
  if (const auto refused = std::find(refused_rename_targets_.begin(), refused_rename_targets_.end(), Key(to));
      refused != refused_rename_targets_.end()) {
    refused_rename_targets_.erase(refused);
    return FileErrorCause::kAccessDenied;
  }
  if (Node* target = Lookup(to); target != nullptr) {
    if (target->folder || target->read_only) return FileErrorCause::kAccessDenied;
    if (target->open) return FileErrorCause::kSharingViolation;
  }
  std::shared_ptr<Node> node = source->second;
  node->name = FileNameOf(to);
  nodes_.erase(source);
  nodes_[Key(to)] = std::move(node);
  return FileErrorCause::kNone;
}

bool MemoryFileSystem::IsReplaceable(const std::string& path) {
  const Node* node = Lookup(path);
  return node != nullptr && !node->folder && !node->open && !node->running;
}

bool MemoryFileSystem::RemoveFile(const std::string& path) {
  auto it = nodes_.find(Key(path));
  if (it == nodes_.end() || it->second->folder || it->second->read_only || it->second->open ||
      it->second->running || removals_refused_ || !Change()) {
    return false;
  }
  nodes_.erase(it);
  return true;
}

void MemoryFileSystem::AddFile(const std::string& path, std::vector<std::uint8_t> bytes,
                               FileTimes times) {
  auto node = std::make_shared<Node>();
  node->name = FileNameOf(path);
  node->bytes = std::move(bytes);
  node->flushed = node->bytes.size();
  node->times = times;
  nodes_[Key(path)] = std::move(node);
}

void MemoryFileSystem::AddFile(const std::string& path, const std::string& text, FileTimes times) {
  AddFile(path, std::vector<std::uint8_t>(text.begin(), text.end()), times);
}

void MemoryFileSystem::AddFolder(const std::string& path) {
  auto node = std::make_shared<Node>();
  node->name = FileNameOf(path);
  node->folder = true;
  nodes_[Key(path)] = std::move(node);
}

void MemoryFileSystem::AddFolderLink(const std::string& path) {
  AddFolder(path);
  Lookup(path)->link = true;
}

bool MemoryFileSystem::ListFolder(const std::string& folder, std::vector<FolderEntry>* entries) {
  const Node* node = Lookup(folder);
  if (node == nullptr || !node->folder) return false;
  const std::string prefix = Key(folder) + "\\";
  std::vector<FolderEntry> found;
  for (const auto& [key, child] : nodes_) {
    if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) continue;
    if (key.find('\\', prefix.size()) != std::string::npos) continue;
    found.push_back({child->name, child->folder, child->link});
  }
  if (const auto stop = listing_stops_.find(Key(folder)); stop != listing_stops_.end()) {
    found.resize(std::min(found.size(), stop->second));
  }
  *entries = std::move(found);
  return true;
}

std::optional<std::vector<std::uint8_t>> MemoryFileSystem::Contents(const std::string& path) {
  Node* node = Lookup(path);
  if (node == nullptr || node->folder) return std::nullopt;
  return node->bytes;
}

std::uint32_t MemoryFileSystem::CopyReplacing(const std::string& from, const std::string& to) {
  constexpr std::uint32_t kNoFile = 2, kNoFolder = 3, kDenied = 5, kInUse = 32;
  Node* source = Lookup(from);
  if (source == nullptr) return ParentExists(from) ? kNoFile : kNoFolder;
  if (source->folder) return kDenied;
  if (source->open) return kInUse;
  if (std::find(refused_copies_.begin(), refused_copies_.end(), Key(from)) != refused_copies_.end()) {
    return kDenied;
  }
  if (!ParentExists(to)) return kNoFolder;
  if (Node* target = Lookup(to); target != nullptr) {
    if (target->folder || target->read_only) return kDenied;
    if (target->open) return kInUse;
  }
  if (!Change()) return kDenied;
  auto copy = std::make_shared<Node>(*source);
  copy->name = FileNameOf(to);
  nodes_[Key(to)] = std::move(copy);
  return 0;
}

bool MemoryFileSystem::SetNormalAttributes(const std::string& path) {
  Node* node = Lookup(path);
  if (node == nullptr || !Change()) return false;
  node->read_only = false;
  return true;
}

bool MemoryFileSystem::RemoveFolder(const std::string& path) {
  Node* node = Lookup(path);
  std::vector<FolderEntry> entries;
  if (node == nullptr || !node->folder || !ListFolder(path, &entries) || !entries.empty() || !Change()) {
    return false;
  }
  nodes_.erase(Key(path));
  return true;
}

bool MemoryFileSystem::Change() {
  const std::lock_guard<std::mutex> lock(*change_mutex_);
  if (changes_left_) {
    if (*changes_left_ == 0) return false;
    --*changes_left_;
  }
  ++changes_;
  return true;
}

void MemoryFileSystem::PowerCut() {
  changes_left_ = 0;
  for (auto& [key, node] : nodes_) {
    if (node->bytes.size() > node->flushed) node->bytes.resize(node->flushed);
  }
}

std::vector<std::string> MemoryFileSystem::Paths() const {
  std::vector<std::string> paths;
  for (const auto& [key, node] : nodes_) {
    if (node) paths.push_back(key);
  }
  return paths;
}

}  // namespace quintarel::testing
