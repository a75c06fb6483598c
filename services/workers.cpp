#include "ztservices/workers.h"

#include <cpl_multiproc.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// More threads than cores only wait on each other, and each costs memory:
// a few per core is the useful most.
constexpr long kThreadsPerCore = 4;

using Task = void (*)(void* userData, long index);
using Beside = void (*)(void* besideData);

// Helper threads that sleep until a job wants them, take its task indices
// one at a time from a shared counter, and report when they have run out.
// A job of n tasks wakes at most n - 1 helpers (the caller takes a share);
// the others sleep on, costing nothing. One job at a time has the helpers.
class WorkerPool {
 public:
  ~WorkerPool() { Resize(0); }

  void Resize(long helpers) {
    std::lock_guard<std::mutex> job(jobMutex_);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
    quit_ = false;
    try {
      for (long i = 0; i < helpers; ++i) threads_.emplace_back([this] { Loop(); });
    } catch (const std::exception&) {
      // Out of threads or memory: fewer helpers share the jobs.
    }
  }

  long Threads() {
    std::lock_guard<std::mutex> job(jobMutex_);
    return static_cast<long>(threads_.size()) + 1;
  }

  // A caller busy beside the job leaves every task to the helpers at
  // first, so that even a job of one task runs beside it. A caller that
  // finds the helpers busy with another caller's job runs its own alone
  // rather than wait for that one, reading and writing included.
  void Run(long count, Task task, void* userData, Beside beside, void* besideData) {
    std::unique_lock<std::mutex> job(jobMutex_, std::try_to_lock);
    const long helpers =
        job.owns_lock() ? std::min(static_cast<long>(threads_.size()), beside ? count : count - 1) : 0;
    if (helpers < 1) {
      if (job.owns_lock()) job.unlock();
      if (beside) beside(besideData);
      for (long i = 0; i < count; ++i) task(userData, i);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      task_ = task;
      userData_ = userData;
      count_ = count;
      next_.store(0, std::memory_order_relaxed);
      wanted_ = busy_ = helpers;
    }
    for (long i = 0; i < helpers; ++i) wake_.notify_one();
    if (beside) beside(besideData);
    Work();
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [this] { return busy_ == 0; });
  }

 private:
  void Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return quit_ || wanted_ > 0; });
      if (quit_) return;
      --wanted_;
      lock.unlock();
      Work();
      lock.lock();
      if (--busy_ == 0) finished_.notify_one();
    }
  }

  void Work() {
    for (long i = next_.fetch_add(1); i < count_; i = next_.fetch_add(1)) task_(userData_, i);
  }

  std::mutex jobMutex_;  // one job, or one resize, at a time
  std::mutex mutex_;
  std::condition_variable wake_, finished_;
  std::vector<std::thread> threads_;
  bool quit_ = false;
  long wanted_ = 0;  // helpers the current job still wants
  Task task_ = nullptr;
  void* userData_ = nullptr;
  long count_ = 0;
  std::atomic<long> next_{0};
  long busy_ = 0;
};

WorkerPool& Pool() {
  static WorkerPool pool;
  return pool;
}

}  // namespace

void ztSetWorkerThreads(long count) { Pool().Resize(std::clamp(count, 1L, ztMaxWorkerThreads()) - 1); }

long ztMaxWorkerThreads() { return kThreadsPerCore * std::max(1, CPLGetNumCPUs()); }

long ztGetWorkerThreads() { return Pool().Threads(); }

void ztRunOnWorkers(long count, Task task, void* userData) {
  if (task) Pool().Run(count, task, userData, nullptr, nullptr);
}

void ztRunOnWorkersBeside(long count, Task task, void* userData, Beside beside, void* besideData) {
  if (task) Pool().Run(count, task, userData, beside, besideData);
}
