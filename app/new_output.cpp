#include "new_output.h"

#include <gdal.h>

#include <filesystem>
#include <system_error>

namespace ztcli {

namespace {

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace

NewOutput::NewOutput(std::string path) : path_(std::move(path)), existed_(Exists(path_)) {}

NewOutput::~NewOutput() {
  if (keep_ || existed_ || !Exists(path_)) return;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  GDALDriverH driver = GDALIdentifyDriver(path_.c_str(), nullptr);
  if (!driver || GDALDeleteDataset(driver, path_.c_str()) != CE_None) {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  CPLPopErrorHandler();
}

}  // namespace ztcli
