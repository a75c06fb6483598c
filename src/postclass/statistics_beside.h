#pragma once
// A statistics file written on a worker thread while the caller's thread
// writes the result image. Both only read the finished regions, so on two
// threads the shorter of the two writes costs no time; on one thread the
// result is written first, then the statistics.
#include <cerrno>
#include <exception>
#include <string>
#include <type_traits>

#include "postclass/statistics_file.h"
#include "ztclass/result_codes.h"
#include "ztservices/workers.h"

namespace zt {

// writeStatistics() writes the file at path and gives false when it cannot;
// writeResult() gives a result code and stays on the caller's thread, which
// reports progress and polls for a stop. A file that cannot be made at all
// gives RC_REPORT_OPEN_FAILED before the result is touched; then the
// result's failure comes first (a full disk names the image), and a
// statistics file that could not be written gives RC_REPORT_OPEN_FAILED.
template <typename Statistics, typename Result>
long WriteStatisticsBeside(const std::string& path, Statistics&& writeStatistics, Result&& writeResult) {
  if (!StatisticsFileOpens(path)) return RC_REPORT_OPEN_FAILED;
  struct Job {
    std::remove_reference_t<Statistics>* statistics;
    std::remove_reference_t<Result>* result;
    bool written = false;
    int error = 0;  // errno of a failed statistics write
    long rc = RC_OK;
    static void Task(void* data, long) {
      auto* job = static_cast<Job*>(data);
      // A task must not throw: memory running out is a file not written.
      try {
        job->written = (*job->statistics)();
      } catch (const std::exception&) {
        job->written = false;
      }
      if (!job->written) job->error = errno;
    }
    static void Beside(void* data) {
      auto* job = static_cast<Job*>(data);
      job->rc = (*job->result)();
    }
  } job{&writeStatistics, &writeResult};
  ztRunOnWorkersBeside(1, &Job::Task, &job, &Job::Beside, &job);
  if (job.rc) return job.rc;
  if (job.written) return RC_OK;
  // The reason (a full disk, say) is the worker's errno: the caller's
  // thread reports it.
  errno = job.error;
  return RC_REPORT_OPEN_FAILED;
}

}  // namespace zt
