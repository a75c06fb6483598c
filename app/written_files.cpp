#include "written_files.h"

#include "cli_support.h"

namespace ztcli {

std::string AlsoWritten(const std::vector<std::string>& files) {
  std::vector<std::string> written;
  for (const std::string& file : files)
    if (!file.empty()) written.push_back(file);
  std::string text;
  for (size_t k = 0; k < written.size(); ++k) text += (k + 1 == written.size() ? " and " : ", ") + written[k];
  return text;
}

FirstWriteFailure::FirstWriteFailure() { CPLPushErrorHandlerEx(Keep, this); }

FirstWriteFailure::~FirstWriteFailure() { CPLPopErrorHandler(); }

std::string FirstWriteFailure::Reason() const { return first_.empty() ? GdalFailureReason() : first_; }

// GDAL has made this message its last error when it calls here, and errno
// is still the failed call's.
void CPL_STDCALL FirstWriteFailure::Keep(CPLErr type, CPLErrorNum, const char*) {
  auto* self = static_cast<FirstWriteFailure*>(CPLGetErrorHandlerUserData());
  if (type >= CE_Failure && self->first_.empty()) self->first_ = WriteFailureReason();
}

}  // namespace ztcli
