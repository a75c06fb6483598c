#include "io_failure.h"

#include <cpl_error.h>

#include "dataset.h"
#include "ztservices/raster.h"

namespace ztsvc {

namespace {
thread_local std::string last_failure;
}  // namespace

void ResetIOReason() { CPLErrorReset(); }

bool GdalFailed() { return CPLGetLastErrorType() >= CE_Failure; }

void NoteIOFailure(const char* what, const RSDataset& dataset, int band, long firstRow, long rows) {
  std::string text = std::string(what) + " '" + dataset.path + "'";
  if (band > 0) {
    text += ", band " + std::to_string(band) + ", row " + std::to_string(firstRow);
    if (rows > 1) text += "-" + std::to_string(firstRow + rows - 1);
  }
  const char* reason = CPLGetLastErrorMsg();
  text += ": ";
  text += reason && *reason ? reason : "the format reported no reason";
  last_failure = text;
}

}  // namespace ztsvc

const char* ztRSLastIOError() { return ztsvc::last_failure.c_str(); }

void ztRSResetLastIOError() { ztsvc::last_failure.clear(); }
