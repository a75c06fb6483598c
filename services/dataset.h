#pragma once
// The service objects behind dataset and band handles.
#include <gdal_priv.h>

#include <memory>
#include <string>
#include <vector>

#include "aoi_source.h"
#include "ztclass/datatype.h"

namespace ztsvc {

struct RSDataset;

struct RSBand {
  RSDataset* dataset = nullptr;
  GDALRasterBand* gdal = nullptr;
  int number = 0;
};

struct CellCache;

struct RSDataset {
  GDALDataset* gdal = nullptr;
  std::string path;
  bool zti = false;
  int pyramidOpenCount = 0;
  std::vector<RSBand> bands;  // index n - 1 for band n
  AoiSources aois;
  std::unique_ptr<CellCache> cells;
  // The copy of band 1's colour table last handed out for this dataset.
  std::unique_ptr<GDALColorTable> colourTable;

  ~RSDataset();
};

// The dataset behind a handle; null for a null handle.
inline RSDataset* AsDataset(void* handle) { return static_cast<RSDataset*>(handle); }
inline RSBand* AsBand(void* handle) { return static_cast<RSBand*>(handle); }

bool IsZtiPath(const std::string& path);
GDALDataType ToGdalType(ZTRSDataType type);
ZTRSDataType FromGdalBand(GDALRasterBand* band);
void EnsureGdalRegistered();
RSDataset* Wrap(GDALDataset* gdal, const std::string& path);

}  // namespace ztsvc
