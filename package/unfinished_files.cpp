#include "package/unfinished_files.h"

#include <atomic>
#include <cstring>

namespace quintarel {

namespace {

struct Slot {
  std::atomic<bool> used{false};
  char path[kUnfinishedPathCapacity];
};

Slot slots[64];

// Sequentially consistent, so that either a creation sees stopping or the
// clean-up sees it under way.
std::atomic<bool> stopping{false};
std::atomic<int> creations{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

}  // namespace

void TrackUnfinishedFile(const std::string& path) {
  if (path.size() >= sizeof Slot::path) return;
  for (Slot& slot : slots) {
    bool expected = false;
    if (slot.used.compare_exchange_strong(expected, true, std::memory_order_acquire)) {
      // No clean-up reads the slot while the name is copied: the creation
      // holds it off (see UnfinishedFileCreation).
      std::memcpy(slot.path, path.c_str(), path.size() + 1);
      return;
    }
  }
}

void ForgetUnfinishedFile(const std::string& path) {
  for (Slot& slot : slots) {
    if (slot.used.load(std::memory_order_acquire) && path == slot.path) {
      slot.path[0] = '\0';
      slot.used.store(false, std::memory_order_release);
      return;
    }
  }
}

void ForEachUnfinishedFile(void (*remove)(const char* path)) {
  for (Slot& slot : slots) {
    if (slot.used.load(std::memory_order_acquire) && slot.path[0] != '\0') remove(slot.path);
  }
}

UnfinishedFileCreation::UnfinishedFileCreation() {
  ++creations;
  allowed_ = !stopping;
}

UnfinishedFileCreation::~UnfinishedFileCreation() { --creations; }

void StopUnfinishedFileCreation() {
  stopping = true;
  // Each creation under way is one system call from its end.
  while (creations != 0) {
  }
}

}  // namespace quintarel
