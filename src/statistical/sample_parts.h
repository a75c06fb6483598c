#pragma once
// A pass over the samples of one grid row shared among the worker threads.
// Only what each sample gets on its own (its nearest cluster, its distance)
// is worked out in parts; whatever adds samples up stays with the caller, in
// sample order, so that sums come out the same on any thread count.
#include <algorithm>

#include "ztservices/workers.h"

namespace zt {

// Operations (band differences) a part should have at least to be worth
// waking a worker for.
constexpr long kOperationsPerSamplePart = 1L << 14;

// part(begin, end) over [0, samples) in at most one part per thread,
// operations being the cost of one sample.
template <typename Part>
void ForSampleParts(long samples, long operations, Part&& part) {
  const long threads = std::max(1L, ztGetWorkerThreads());
  const long parts = std::min(threads, samples * std::max(1L, operations) / kOperationsPerSamplePart);
  if (parts < 2) {
    part(0L, samples);
    return;
  }
  struct Job {
    Part* part;
    long samples, parts;
    static void Run(void* job, long k) {
      auto* j = static_cast<Job*>(job);
      (*j->part)(j->samples * k / j->parts, j->samples * (k + 1) / j->parts);
    }
  } job{&part, samples, parts};
  ztRunOnWorkers(parts, &Job::Run, &job);
}

}  // namespace zt
