#include "quicklook.h"

#include <cpl_conv.h>
#include <gdal_utils.h>

#include "cli_support.h"

namespace ztcli {

void WritePicture(const std::string& image, const std::string& png, const std::vector<const char*>& arguments,
                  const std::string& what) {
  GDALDatasetH source = GDALOpen(image.c_str(), GA_ReadOnly);
  if (!source) throw CommandError("cannot reopen '" + image + "' for the " + what);
  std::vector<const char*> args = {"-of", "PNG", "-ot", "Byte"};
  args.insert(args.end(), arguments.begin(), arguments.end());
  args.push_back(nullptr);
  GDALTranslateOptions* options = GDALTranslateOptionsNew(const_cast<char**>(args.data()), nullptr);
  int failed = 0;
  CPLErrorReset();
  // A quicklook is a picture: no side-car file of metadata beside it.
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
  GDALDatasetH out = GDALTranslate(png.c_str(), source, options, &failed);
  GDALTranslateOptionsFree(options);
  if (out) GDALClose(out);
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr);
  const std::string reason = GdalFailureReason();
  GDALClose(source);
  if (!out || failed)
    throw CannotWrite("the " + what + " '" + png + "'", reason);
}

void WriteQuicklook(const std::string& classImage, const std::string& png) {
  WritePicture(classImage, png, {}, "quicklook");
}

}  // namespace ztcli
