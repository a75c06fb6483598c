// Colour tables. The library never frees a table, so the service owns every
// table it hands out: a dataset's table (a copy) until the next request for
// it or the dataset's closing, a new table until the process ends.
#include <gdal_priv.h>

#include <climits>
#include <memory>
#include <mutex>
#include <vector>

#include "dataset.h"
#include "ztservices/raster.h"

using namespace ztsvc;

namespace {

class TablePool {
 public:
  GDALColorTable* Add(std::unique_ptr<GDALColorTable> table) {
    std::lock_guard lock(mutex_);
    tables_.push_back(std::move(table));
    return tables_.back().get();
  }

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<GDALColorTable>> tables_;
};

TablePool& Pool() {
  static TablePool pool;
  return pool;
}

// The fourth component of an entry is reserved and always 0 for the library;
// in GDAL it is the alpha, which must be opaque for the classes to show.
constexpr short kOpaque = 255;

GDALColorTable* AsTable(void* table) { return static_cast<GDALColorTable*>(table); }

}  // namespace

void* ztRSGetDatasetColorTable(void* dataset) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || ds->bands.empty()) return nullptr;
  GDALColorTable* table = ds->bands[0].gdal->GetColorTable();
  if (!table) return nullptr;
  ds->colourTable.reset(table->Clone());
  return ds->colourTable.get();
}

void* ztRSCreateColorTable(long interpretation) {
  GDALPaletteInterp interp = interpretation == 1 ? GPI_RGB : static_cast<GDALPaletteInterp>(interpretation);
  if (interp < GPI_Gray || interp > GPI_HLS) return nullptr;
  auto table = std::make_unique<GDALColorTable>(interp);
  return Pool().Add(std::move(table));
}

long ztRSSetColorEntry(void* table, long index, const ZTRSColorEntry* entry) {
  if (!table || !entry || index < 0 || index > 65535) return ZTRS_ERR_BAD_HANDLE;
  GDALColorEntry e{entry->c1, entry->c2, entry->c3, kOpaque};
  AsTable(table)->SetColorEntry(static_cast<int>(index), &e);
  return 0;
}

long ztRSGetColorEntryAsRGB(void* table, long index, ZTRSColorEntry* entry) {
  if (!table || !entry || index < 0) return ZTRS_ERR_BAD_HANDLE;
  GDALColorEntry e{};
  // GDAL's index is an int; no table reaches past it.
  if (index > INT_MAX || !AsTable(table)->GetColorEntryAsRGB(static_cast<int>(index), &e)) return ZTRS_ERR_IO;
  *entry = ZTRSColorEntry{e.c1, e.c2, e.c3, 0};
  return 0;
}

long ztRSGetColorEntryCount(void* table) {
  return table ? AsTable(table)->GetColorEntryCount() : 0;
}

long ztRSSetRasterColorTable(void* band, void* table) {
  RSBand* b = AsBand(band);
  if (!b || !table) return ZTRS_ERR_BAD_HANDLE;
  return b->gdal->SetColorTable(AsTable(table)) == CE_None ? 0 : ZTRS_ERR_IO;
}
