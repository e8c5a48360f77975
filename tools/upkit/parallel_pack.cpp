#include "tools/upkit/parallel_pack.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "package/archive_digests.h"
#include "tools/upkit/source_file.h"

namespace quintarel::upkit {

namespace {

constexpr auto kShowInterval = std::chrono::milliseconds(100);

enum class JobState { kPending, kDone, kFailed, kStopped };

struct Slot {
  std::unique_ptr<ArchiveEntry> entry;
  std::optional<Sha256Digest> digest;
  std::string error;
  std::atomic<JobState> state{JobState::kPending};
  std::atomic<std::int64_t> percent{0};
};

class Packer {
 public:
  Packer(FileSystem& files, const std::vector<PackJob>& jobs,
         const std::function<bool()>& keep_going)
      : files_(files), jobs_(jobs), keep_going_(keep_going), slots_(jobs.size()),
        first_failure_(jobs.size()) {}

  PackOutcome Run(unsigned threads, const std::function<void(std::int64_t)>& show) {
    const std::size_t count =
        std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(jobs_.size(), 1));
    std::vector<std::thread> workers;
    workers.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      std::lock_guard lock(mutex_);
      ++running_;
      try {
        workers.emplace_back([this] { Work(); });
      } catch (const std::system_error&) {
        // Fewer threads than asked for only make the build slower.
        --running_;
        break;
      }
    }
    if (workers.empty()) {
      running_ = 1;
      Work();
    }
    {
      std::unique_lock lock(mutex_);
      while (!all_stopped_.wait_for(lock, kShowInterval, [this] { return running_ == 0; })) {
        lock.unlock();
        show(Done());
        lock.lock();
      }
    }
    for (std::thread& worker : workers) worker.join();
    show(Done());
    return Outcome();
  }

 private:
  struct JobContext {
    Packer* packer;
    std::size_t index;
  };

  // Keeps a job going unless the user stops or an earlier job failed.
  static bool Progress(void* context, std::int64_t percent) {
    const auto& job = *static_cast<JobContext*>(context);
    job.packer->slots_[job.index].percent = std::clamp<std::int64_t>(percent, 0, kJobShare);
    return job.index <= job.packer->first_failure_ && job.packer->keep_going_();
  }

  void Work() {
    for (;;) {
      const std::size_t index = next_++;
      if (index >= jobs_.size() || index > first_failure_) break;
      Pack(index);
      if (slots_[index].state != JobState::kDone) LowerFirstFailure(index);
    }
    std::lock_guard lock(mutex_);
    if (--running_ == 0) all_stopped_.notify_all();
  }

  void Pack(std::size_t index) {
    Slot& slot = slots_[index];
    const PackJob& job = jobs_[index];
    try {
      SourceFile source;
      if (!ReadSourceFile(files_, job.path, &source, &slot.error)) {
        slot.state = JobState::kFailed;
        return;
      }
      slot.digest = DigestOf(source.bytes);
      MemoryStream stream(std::move(source.bytes));
      auto entry = std::make_unique<ArchiveEntry>();
      JobContext context{this, index};
      PercentProgress progress(&Progress, &context);
      if (!entry->LoadStream(stream, job.name, source.times, &progress)) {
        slot.state = JobState::kStopped;
        return;
      }
      slot.entry = std::move(entry);
      slot.state = JobState::kDone;
    } catch (const std::bad_alloc&) {
      slot.error = "out of memory";
      slot.state = JobState::kFailed;
    } catch (const std::exception& error) {
      slot.error = error.what();
      slot.state = JobState::kFailed;
    }
  }

  void LowerFirstFailure(std::size_t index) {
    std::size_t current = first_failure_;
    while (index < current && !first_failure_.compare_exchange_weak(current, index)) {
    }
  }

  std::int64_t Done() const {
    std::int64_t done = 0;
    for (const Slot& slot : slots_) {
      done += slot.state == JobState::kPending ? slot.percent.load() : kJobShare;
    }
    return done;
  }

  PackOutcome Outcome() {
    PackOutcome outcome;
    const std::size_t failed = first_failure_;
    if (failed < jobs_.size()) {
      Slot& slot = slots_[failed];
      outcome.failed_job = failed;
      outcome.cancelled = slot.state == JobState::kStopped;
      outcome.error = std::move(slot.error);
      return outcome;
    }
    for (Slot& slot : slots_) {
      outcome.entries.push_back(std::move(slot.entry));
      outcome.digests.push_back(slot.digest);
    }
    return outcome;
  }

  FileSystem& files_;
  const std::vector<PackJob>& jobs_;
  const std::function<bool()>& keep_going_;
  std::vector<Slot> slots_;
  std::atomic<std::size_t> next_{0};
  // No job after it is started; it only ever decreases.
  std::atomic<std::size_t> first_failure_;
  std::mutex mutex_;
  std::condition_variable all_stopped_;
  std::size_t running_ = 0;
};

}  // namespace

PackOutcome PackInParallel(FileSystem& files, const std::vector<PackJob>& jobs, unsigned threads,
                           const std::function<bool()>& keep_going,
                           const std::function<void(std::int64_t)>& show) {
  return Packer(files, jobs, keep_going).Run(threads, show);
}

}  // namespace quintarel::upkit
