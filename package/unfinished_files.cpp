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

}  // namespace

void TrackUnfinishedFile(const std::string& path) {
  if (path.size() >= sizeof Slot::path) return;
  for (Slot& slot : slots) {
    bool expected = false;
    if (slot.used.compare_exchange_strong(expected, true, std::memory_order_acquire)) {
      // A handler that runs while the path is copied sees an empty or a
      // partly copied name, which names no file of ours.
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

}  // namespace quintarel
