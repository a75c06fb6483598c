#include "fraction_image.h"

#include <gdal.h>

#include <cstring>

#include "cli_support.h"
#include "quicklook.h"
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
  std::vector<const char*> args = {"-scale", "0", "1", "0", "255", "-a_nodata", "none"};
  for (const char* band : bandCount >= 3 ? std::vector<const char*>{"1", "2", "3"} : std::vector<const char*>{"1"}) {
    args.push_back("-b");
    args.push_back(band);
  }
  WritePicture(fractions, png, args, "composite");
}

}  // namespace ztcli
