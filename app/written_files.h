#pragma once
// What a command tells of the files it wrote, and of a write that failed.
#include <cpl_error.h>

#include <string>
#include <vector>

namespace ztcli {

// The further files a command wrote, to follow "Wrote RESULT": " and a",
// ", a and b"; the empty names of files not asked for are left out.
std::string AlsoWritten(const std::vector<std::string>& files);

// The reason of the first write that fails while it lives, as
// WriteFailureReason() gives it: GDAL goes on after a failed write, and its
// later messages about the same file ("Error fetching directory count") and
// the calls that make them leave neither GDAL's last error nor errno saying
// why. GDAL's messages on this thread stay quiet meanwhile.
class FirstWriteFailure {
 public:
  FirstWriteFailure();
  ~FirstWriteFailure();
  FirstWriteFailure(const FirstWriteFailure&) = delete;
  FirstWriteFailure& operator=(const FirstWriteFailure&) = delete;
  // That first reason, or else GdalFailureReason() now.
  std::string Reason() const;

 private:
  static void CPL_STDCALL Keep(CPLErr type, CPLErrorNum number, const char* message);
  std::string first_;
};

}  // namespace ztcli
