#ifndef TOOLS_UPKIT_PARALLEL_PACK_H_
#define TOOLS_UPKIT_PARALLEL_PACK_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "package/file_system.h"
#include "package/sha256.h"
#include "package/update_archive.h"

namespace quintarel::upkit {

// One file to pack: read from path, stored under name.
struct PackJob {
  std::string name;
  std::string path;
};

struct PackOutcome {
  // One entry per job, in job order, when every job succeeded.
  std::vector<std::unique_ptr<ArchiveEntry>> entries;
  // The SHA-256 of each job's file, in job order; nullopt where the system
  // could not hash.
  std::vector<std::optional<Sha256Digest>> digests;
  // The first job, in job order, that could not be packed, and why.
  std::optional<std::size_t> failed_job;
  std::string error;
  // The failure is a stop that keep_going asked for.
  bool cancelled = false;
};

// Reads (ReadSourceFile) and compresses the jobs on up to threads threads.
// Each entry depends on its own file only, so the entries are the same for
// every thread count. After a failure no later job is started and those
// running are stopped, yet every earlier job still finishes, so the
// failure reported is always the first in job order. keep_going is asked
// from the worker threads at each progress report; show (done) is called
// on the calling thread now and then while the work goes on, with
// kJobShare for each job finished and the percentage of each one running.
inline constexpr std::int64_t kJobShare = 100;
PackOutcome PackInParallel(FileSystem& files, const std::vector<PackJob>& jobs, unsigned threads,
                           const std::function<bool()>& keep_going,
                           const std::function<void(std::int64_t)>& show);

}  // namespace quintarel::upkit

#endif  // TOOLS_UPKIT_PARALLEL_PACK_H_
