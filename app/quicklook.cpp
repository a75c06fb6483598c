#include "quicklook.h"

#include <cpl_conv.h>
#include <gdal_utils.h>

#include "cli_support.h"

namespace ztcli {

void WriteQuicklook(const std::string& classImage, const std::string& png) {
  GDALDatasetH source = GDALOpen(classImage.c_str(), GA_ReadOnly);
  if (!source) throw CommandError("cannot reopen '" + classImage + "' for the quicklook");
  const char* args[] = {"-of", "PNG", "-ot", "Byte", nullptr};
  GDALTranslateOptions* options = GDALTranslateOptionsNew(const_cast<char**>(args), nullptr);
  int failed = 0;
  // A quicklook is a picture: no side-car file of metadata beside it.
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
  GDALDatasetH out = GDALTranslate(png.c_str(), source, options, &failed);
  GDALTranslateOptionsFree(options);
  if (out) GDALClose(out);
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr);
  GDALClose(source);
  if (!out || failed) throw CommandError("cannot write the quicklook '" + png + "'");
}

}  // namespace ztcli
