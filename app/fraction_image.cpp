#include "fraction_image.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <gdal_utils.h>

#include <cstring>

#include "cli_support.h"
#include "ztservices/raster.h"

namespace ztcli {

void NameFractionBands(void* dataset, const std::vector<AOI>& classAois) {
  auto gdal = static_cast<GDALDatasetH>(ztRSGetGDALDataset(dataset));
  for (size_t k = 0; k < classAois.size(); ++k) {
    const AOI& aoi = classAois[k];
    const std::string name(aoi.name, strnlen(aoi.name, sizeof aoi.name));
    GDALSetDescription(GDALGetRasterBand(gdal, static_cast<int>(k + 1)), name.c_str());
  }
}

void WriteFractionComposite(const std::string& fractions, const std::string& png, long bandCount) {
  GDALDatasetH source = GDALOpen(fractions.c_str(), GA_ReadOnly);
  if (!source) throw CommandError("cannot reopen '" + fractions + "' for the composite");
  std::vector<const char*> args = {"-of", "PNG", "-ot", "Byte", "-scale", "0", "1", "0", "255", "-a_nodata", "none"};
  for (const char* band : bandCount >= 3 ? std::vector<const char*>{"1", "2", "3"} : std::vector<const char*>{"1"}) {
    args.push_back("-b");
    args.push_back(band);
  }
  args.push_back(nullptr);
  GDALTranslateOptions* options = GDALTranslateOptionsNew(const_cast<char**>(args.data()), nullptr);
  int failed = 0;
  // A picture: no side-car file of metadata beside it.
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
  GDALDatasetH out = GDALTranslate(png.c_str(), source, options, &failed);
  GDALTranslateOptionsFree(options);
  if (out) GDALClose(out);
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr);
  GDALClose(source);
  if (!out || failed) throw CommandError("cannot write the composite '" + png + "'");
}

}  // namespace ztcli
