#include "dataset.h"

#include <cpl_string.h>
#include <gdal_pam.h>
#include <rawdataset.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <mutex>

#include "cell_cache.h"
#include "io_failure.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace ztsvc {

namespace {
constexpr const char* kZtiDriver = "ZOVREKZTI";
// The zti "driver" handle is a distinct address; every other driver handle
// is a GDALDriver*.
char zti_driver_tag;
}  // namespace

RSDataset::~RSDataset() {
  cells.reset();
  if (gdal) GDALClose(GDALDataset::ToHandle(gdal));
}

void EnsureGdalRegistered() {
  static std::once_flag once;
  std::call_once(once, [] {
    GDALAllRegister();
  });
}

bool IsZtiPath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".zti";
}

GDALDataType ToGdalType(ZTRSDataType type) {
  switch (type) {
    case ZTRS_Byte:
    case ZTRS_Int8:
      return GDT_Byte;
    case ZTRS_UInt16: return GDT_UInt16;
    case ZTRS_Int16: return GDT_Int16;
    case ZTRS_UInt32: return GDT_UInt32;
    case ZTRS_Int32: return GDT_Int32;
    case ZTRS_Float64: return GDT_Float64;
    case ZTRS_Float32: return GDT_Float32;
    default: return GDT_Unknown;
  }
}

ZTRSDataType FromGdalBand(GDALRasterBand* band) {
  switch (band->GetRasterDataType()) {
    case GDT_Byte: {
      const char* pixelType = band->GetMetadataItem("PIXELTYPE", "IMAGE_STRUCTURE");
      return pixelType && EQUAL(pixelType, "SIGNEDBYTE") ? ZTRS_Int8 : ZTRS_Byte;
    }
    case GDT_UInt16: return ZTRS_UInt16;
    case GDT_Int16: return ZTRS_Int16;
    case GDT_UInt32: return ZTRS_UInt32;
    case GDT_Int32: return ZTRS_Int32;
    case GDT_Float64: return ZTRS_Float64;
    case GDT_Float32: return ZTRS_Float32;
    default: return ZTRS_Unknown;
  }
}

namespace {

// False, with the reason as GDAL's last error, when the pixels of a raw
// format (ENVI, EHdr and the like, whose header gives the size) reach past
// the end of its data file: GDAL reads the missing bytes as zeros without
// an error, so a header claiming more rows or bands than the file holds
// would pass zeros off as pixels. Formats that place their own blocks (a
// GeoTIFF, whose blocks may be sparse) report missing ones as they read.
bool RawPixelsInFile(GDALDataset* gdal) {
  GDALDataset::RawBinaryLayout layout;
  if (!dynamic_cast<RawDataset*>(gdal) || gdal->GetRasterCount() < 1 || !gdal->GetRawBinaryLayout(layout))
    return true;
  VSIStatBufL status;
  if (VSIStatL(layout.osRawFilename.c_str(), &status) != 0 || !VSI_ISREG(status.st_mode)) return true;
  // The last byte is that of the sample farthest along every positive step;
  // long double holds the sum exactly for any size GDAL opens.
  const auto farthest = [](int count, GIntBig step) {
    return step > 0 ? static_cast<long double>(count - 1) * static_cast<long double>(step) : 0.0L;
  };
  const long double needed = static_cast<long double>(layout.nImageOffset) +
                             farthest(gdal->GetRasterXSize(), layout.nPixelOffset) +
                             farthest(gdal->GetRasterYSize(), layout.nLineOffset) +
                             farthest(gdal->GetRasterCount(), layout.nBandOffset) +
                             GDALGetDataTypeSizeBytes(layout.eDataType);
  if (needed <= static_cast<long double>(status.st_size)) return true;
  CPLError(CE_Failure, CPLE_FileIO,
           "'%s' holds %llu bytes, fewer than the %.0Lf that its header's %d columns, %d rows and %d bands of "
           "%s take: the header or the data file is wrong (the file cut short?)",
           layout.osRawFilename.c_str(), static_cast<unsigned long long>(status.st_size), needed,
           gdal->GetRasterXSize(), gdal->GetRasterYSize(), gdal->GetRasterCount(),
           GDALGetDataTypeName(layout.eDataType));
  return false;
}

}  // namespace

RSDataset* Wrap(GDALDataset* gdal, const std::string& path) {
  auto* ds = new RSDataset;
  ds->gdal = gdal;
  ds->path = path;
  ds->zti = IsZtiPath(path);
  ds->bands.resize(gdal->GetRasterCount());
  for (int i = 0; i < gdal->GetRasterCount(); ++i)
    ds->bands[i] = RSBand{ds, gdal->GetRasterBand(i + 1), i + 1};
  ds->aois.FindSidecar(path);
  return ds;
}

}  // namespace ztsvc

using namespace ztsvc;

void* ztRSOpen(const char* path, int update) {
  if (!path) return nullptr;
  EnsureGdalRegistered();
  GDALDataset* gdal = GDALDataset::Open(path, GDAL_OF_RASTER | (update ? GDAL_OF_UPDATE : 0));
  if (!gdal) return nullptr;
  // Only images opened to be read: one opened for update may be a result
  // whose pixels are still to be written.
  if (!update && !RawPixelsInFile(gdal)) {
    const CPLErrorNum number = CPLGetLastErrorNo();
    const std::string reason = CPLGetLastErrorMsg();
    GDALClose(GDALDataset::ToHandle(gdal));
    CPLErrorSetState(CE_Failure, number, reason.c_str());
    return nullptr;
  }
  // GDAL keeps what it learns of a dataset (statistics, histograms) in an
  // .aux.xml file beside it when it closes; an image opened only to be read
  // is the user's, and nothing is written beside it. What an existing
  // .aux.xml holds is still read.
  if (!update)
    if (auto* pam = dynamic_cast<GDALPamDataset*>(gdal)) pam->SetPamFlags(pam->GetPamFlags() | GPF_NOSAVE);
  return Wrap(gdal, path);
}

void* ztRSGetDriverByName(const char* name) {
  if (!name) return nullptr;
  EnsureGdalRegistered();
  if (EQUAL(name, kZtiDriver)) return &zti_driver_tag;
  return GetGDALDriverManager()->GetDriverByName(name);
}

void* ztRSCreate(void* driver, const char* path, long columns, long rows, long bands,
                 ZTRSDataType type, const char* const* options) {
  // GDAL counts columns, rows and bands in an int: a larger count would wrap
  // around into a small image of another size.
  if (!driver || !path || columns < 1 || rows < 1 || bands < 1 || columns > INT_MAX || rows > INT_MAX ||
      bands > INT_MAX)
    return nullptr;
  EnsureGdalRegistered();
  GDALDataType gdalType = ToGdalType(type);
  if (gdalType == GDT_Unknown) return nullptr;
  CPLStringList opts;  // a copy: the caller's list stays the caller's
  for (const char* const* option = options; option && *option; ++option) opts.AddString(*option);
  GDALDriver* gdalDriver;
  if (driver == &zti_driver_tag) {
    gdalDriver = GetGDALDriverManager()->GetDriverByName("GTiff");
    if (!opts.FetchNameValue("TILED")) opts.SetNameValue("TILED", "YES");
    if (!opts.FetchNameValue("BIGTIFF")) opts.SetNameValue("BIGTIFF", "IF_SAFER");
  } else {
    gdalDriver = static_cast<GDALDriver*>(driver);
  }
  if (type == ZTRS_Int8) opts.SetNameValue("PIXELTYPE", "SIGNEDBYTE");
  GDALDataset* gdal =
      gdalDriver->Create(path, static_cast<int>(columns), static_cast<int>(rows),
                         static_cast<int>(bands), gdalType, opts.List());
  if (!gdal) return nullptr;
  RSDataset* ds = Wrap(gdal, path);
  if (driver == &zti_driver_tag) ds->zti = true;
  return ds;
}

long ztRSDeleteDataset(void* driver, const char* path) {
  if (!driver || !path) return ZTRS_ERR_BAD_HANDLE;
  EnsureGdalRegistered();
  VSIStatBufL stat;
  if (VSIStatL(path, &stat) != 0) return 0;
  GDALDriver* gdalDriver = driver == &zti_driver_tag
                               ? GetGDALDriverManager()->GetDriverByName("GTiff")
                               : static_cast<GDALDriver*>(driver);
  if (gdalDriver->Delete(path) == CE_None) return 0;
  return VSIUnlink(path) == 0 ? 0 : ZTRS_ERR_IO;
}

long ztRSClose(void* dataset) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds) return ZTRS_ERR_BAD_HANDLE;
  bool ok = true;
  if (ds->cells) ok = ds->cells->Flush();
  ds->cells.reset();
  ResetIOReason();
  if (ds->gdal) GDALClose(GDALDataset::ToHandle(ds->gdal));
  if (GdalFailed()) {
    NoteIOFailure("closing", *ds, 0, 0, 0);
    ok = false;
  }
  ds->gdal = nullptr;
  delete ds;
  return ok ? 0 : ZTRS_ERR_IO;
}

long ztRSCopyGeoreference(void* source, void* target, long firstRow, long firstColumn) {
  RSDataset* src = AsDataset(source);
  RSDataset* dst = AsDataset(target);
  if (!src || !dst) return ZTRS_ERR_BAD_HANDLE;
  double gt[6];
  if (src->gdal->GetGeoTransform(gt) == CE_None) {
    gt[0] += firstColumn * gt[1] + firstRow * gt[2];
    gt[3] += firstColumn * gt[4] + firstRow * gt[5];
    dst->gdal->SetGeoTransform(gt);
  }
  if (const OGRSpatialReference* srs = src->gdal->GetSpatialRef()) dst->gdal->SetSpatialRef(srs);
  return 0;
}

void* ztRSGetGDALDataset(void* dataset) {
  RSDataset* ds = AsDataset(dataset);
  return ds ? GDALDataset::ToHandle(ds->gdal) : nullptr;
}

long ztRSSetMetadataItem(void* dataset, const char* name, const char* value) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || !ds->gdal || !name || !value) return ZTRS_ERR_BAD_HANDLE;
  return ds->gdal->SetMetadataItem(name, value) == CE_None ? 0 : ZTRS_ERR_IO;
}

long ztRSFlushCache(void* dataset) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || !ds->gdal) return ZTRS_ERR_BAD_HANDLE;
  bool ok = !ds->cells || ds->cells->Flush();
  ResetIOReason();
  ds->gdal->FlushCache(false);
  if (!GdalFailed()) return ok ? 0 : ZTRS_ERR_IO;
  NoteIOFailure("writing", *ds, 0, 0, 0);
  return ZTRS_ERR_IO;
}

long ztRSGetRasterXSize(void* dataset) {
  RSDataset* ds = AsDataset(dataset);
  return ds ? ds->gdal->GetRasterXSize() : 0;
}

long ztRSGetRasterYSize(void* dataset) {
  RSDataset* ds = AsDataset(dataset);
  return ds ? ds->gdal->GetRasterYSize() : 0;
}

long ztRSGetRasterCount(void* dataset) {
  RSDataset* ds = AsDataset(dataset);
  return ds ? static_cast<long>(ds->bands.size()) : 0;
}

void* ztRSGetRasterBand(void* dataset, long number) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || number < 1 || number > static_cast<long>(ds->bands.size())) return nullptr;
  return &ds->bands[number - 1];
}

ZTRSDataType ztRSGetDatasetType(void* dataset) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || ds->bands.empty()) return ZTRS_Unknown;
  return FromGdalBand(ds->bands[0].gdal);
}

ZTRSDataType ztRSGetBandType(void* band) {
  RSBand* b = AsBand(band);
  return b ? FromGdalBand(b->gdal) : ZTRS_Unknown;
}

long ztRSGetBlockSize(void* band, long* columns, long* rows) {
  RSBand* b = AsBand(band);
  if (!b || !columns || !rows) return ZTRS_ERR_BAD_HANDLE;
  int x = 0, y = 0;
  b->gdal->GetBlockSize(&x, &y);
  *columns = x;
  *rows = y;
  return 0;
}

const char* ztRSGetDescription(void* dataset) {
  RSDataset* ds = AsDataset(dataset);
  return ds ? ds->path.c_str() : nullptr;
}

long ztRSGetInternalImgType(void* dataset, ZTIMGTYPE& type) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds) return ZTRS_ERR_BAD_HANDLE;
  type = ds->zti ? ZTIMG_ZTI : ZTIMG_OTHER;
  return 0;
}

void* ztRSGetInternalHandle(void* dataset, const char* kind) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || !kind) return nullptr;
  if (*kind == '\0') return ds;
  if (EQUAL(kind, kZtiDriver)) {
    if (ds->bands.empty()) return nullptr;
    if (!ds->cells) ds->cells = std::make_unique<CellCache>(ds);
    return ds->cells.get();
  }
  return nullptr;
}

long ztRSRasterIO(void* band, ZTRSRWFlag flag, long x, long y, long width, long height,
                  void* buffer, long bufferWidth, long bufferHeight, ZTRSDataType type,
                  long pixelSpace, long lineSpace) {
  RSBand* b = AsBand(band);
  if (!b || !buffer) return ZTRS_ERR_BAD_HANDLE;
  GDALDataType gdalType = ToGdalType(type);
  if (gdalType == GDT_Unknown) return RC_UNSUPPORTED_PIXEL_TYPE;
  if (b->dataset->cells) b->dataset->cells->Flush();
  ResetIOReason();
  // GDAL takes positions and sizes as int: a window beyond them would wrap
  // around onto the image, and is as far outside it as GDAL's own refusals.
  // GDAL skips a window of a negative size as it does an empty one, and the
  // caller would take the buffer as read.
  const auto fits = [](long v) { return v >= INT_MIN && v <= INT_MAX; };
  const auto size = [](long v) { return v >= 0 && v <= INT_MAX; };
  if (!fits(x) || !fits(y) || !size(width) || !size(height) || !size(bufferWidth) || !size(bufferHeight)) {
    CPLError(CE_Failure, CPLE_IllegalArg, "Access window out of range: %ld x %ld at column %ld, row %ld", width,
             height, x, y);
    NoteIOFailure(flag == ZTRS_Write ? "writing" : "reading", *b->dataset, b->number, y, height);
    return ZTRS_ERR_IO;
  }
  CPLErr err = b->gdal->RasterIO(flag == ZTRS_Write ? GF_Write : GF_Read, static_cast<int>(x),
                                 static_cast<int>(y), static_cast<int>(width),
                                 static_cast<int>(height), buffer, static_cast<int>(bufferWidth),
                                 static_cast<int>(bufferHeight), gdalType, pixelSpace, lineSpace,
                                 nullptr);
  // Some drivers report a failed source (a VRT's missing file) and still
  // return success with the buffer untouched.
  if (err == CE_None && !GdalFailed()) return 0;
  NoteIOFailure(flag == ZTRS_Write ? "writing" : "reading", *b->dataset, b->number, y, height);
  return ZTRS_ERR_IO;
}

long ztRSOpenPyramidLayer(void* dataset, long layer) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds) return ZTRS_ERR_BAD_HANDLE;
  ++ds->pyramidOpenCount;
  return 0;
}

long ztRSClosePyramidLayer(void* dataset) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds) return ZTRS_ERR_BAD_HANDLE;
  if (ds->pyramidOpenCount > 0) --ds->pyramidOpenCount;
  return 0;
}

double ztRSGetRasterNoDataValue(void* band, int* flag) {
  RSBand* b = AsBand(band);
  int has = 0;
  double value = b ? b->gdal->GetNoDataValue(&has) : 0.0;
  if (flag) *flag = has ? 1 : 0;
  return value;
}

long ztRSSetRasterNoDataValue(void* band, double value) {
  RSBand* b = AsBand(band);
  if (!b) return ZTRS_ERR_BAD_HANDLE;
  return b->gdal->SetNoDataValue(value) == CE_None ? 0 : ZTRS_ERR_IO;
}

long ztRSGetRasterStatistics(void* band, int approxOK, int force, double* minimum,
                             double* maximum, double* mean, double* deviation) {
  RSBand* b = AsBand(band);
  if (!b) return ZTRS_ERR_BAD_HANDLE;
  double mn, mx, av = 0, sd = 0;
  // The statistics a file carries go stale when a program rewrites its pixels
  // and leaves them, so exact ones are read from the pixels, never taken from
  // the file; the minimum and maximum alone need no more than one scan.
  if (!approxOK && force && !mean && !deviation) {
    double minMax[2];
    if (long rc = ztRSComputeRasterMinMax(band, 0, minMax)) return rc;
    mn = minMax[0];
    mx = minMax[1];
  } else {
    if (!approxOK && force && b->dataset->cells) b->dataset->cells->Flush();
    ResetIOReason();
    const CPLErr err = !approxOK && force ? b->gdal->ComputeStatistics(FALSE, &mn, &mx, &av, &sd, nullptr, nullptr)
                                          : b->gdal->GetStatistics(approxOK, force, &mn, &mx, &av, &sd);
    if (err != CE_None || GdalFailed()) {
      NoteIOFailure("reading statistics of", *b->dataset, b->number, 0, b->gdal->GetYSize());
      return ZTRS_ERR_IO;
    }
  }
  if (minimum) *minimum = mn;
  if (maximum) *maximum = mx;
  if (mean) *mean = av;
  if (deviation) *deviation = sd;
  return 0;
}

long ztRSComputeRasterMinMax(void* band, int approxOK, double minMax[2]) {
  RSBand* b = AsBand(band);
  if (!b || !minMax) return ZTRS_ERR_BAD_HANDLE;
  if (b->dataset->cells) b->dataset->cells->Flush();
  ResetIOReason();
  if (b->gdal->ComputeRasterMinMax(approxOK, minMax) == CE_None && !GdalFailed()) return 0;
  NoteIOFailure("reading", *b->dataset, b->number, 0, b->gdal->GetYSize());
  return ZTRS_ERR_IO;
}

long ztRSGetRasterHistogram(void* band, double minimum, double maximum, int buckets,
                            unsigned long long* histogram, int includeOutOfRange, int approxOK) {
  RSBand* b = AsBand(band);
  if (!b || !histogram || buckets < 1) return ZTRS_ERR_BAD_HANDLE;
  std::vector<GUIntBig> counts(buckets);
  ResetIOReason();
  CPLErr err = b->gdal->GetHistogram(minimum, maximum, buckets, counts.data(), includeOutOfRange,
                                     approxOK, GDALDummyProgress, nullptr);
  if (err != CE_None || GdalFailed()) {
    NoteIOFailure("reading", *b->dataset, b->number, 0, b->gdal->GetYSize());
    return ZTRS_ERR_IO;
  }
  std::copy(counts.begin(), counts.end(), histogram);
  return 0;
}

long ztRSGetCoordinate(void* dataset, long mode, double* x, double* y) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || !x || !y) return ZTRS_ERR_BAD_HANDLE;
  double gt[6];
  if (ds->gdal->GetGeoTransform(gt) != CE_None) return ZTRS_ERR_IO;
  if (mode == 1) {
    double px = *x, py = *y;
    *x = gt[0] + px * gt[1] + py * gt[2];
    *y = gt[3] + px * gt[4] + py * gt[5];
    return 0;
  }
  double inv[6];
  if (!GDALInvGeoTransform(gt, inv)) return ZTRS_ERR_IO;
  double mx = *x, my = *y;
  *x = inv[0] + mx * inv[1] + my * inv[2];
  *y = inv[3] + mx * inv[4] + my * inv[5];
  return 0;
}

long ztRSGetUserCoordiate(void* dataset, double* x1, double* x2, double* y1, double* y2) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || !x1 || !x2 || !y1 || !y2) return ZTRS_ERR_BAD_HANDLE;
  double gt[6];
  if (ds->gdal->GetGeoTransform(gt) != CE_None) return ZTRS_ERR_IO;
  double cols = ds->gdal->GetRasterXSize(), rows = ds->gdal->GetRasterYSize();
  double xs[4], ys[4];
  const double corners[4][2] = {{0, 0}, {cols, 0}, {0, rows}, {cols, rows}};
  for (int i = 0; i < 4; ++i) {
    xs[i] = gt[0] + corners[i][0] * gt[1] + corners[i][1] * gt[2];
    ys[i] = gt[3] + corners[i][0] * gt[4] + corners[i][1] * gt[5];
  }
  *x1 = *std::min_element(xs, xs + 4);
  *x2 = *std::max_element(xs, xs + 4);
  *y1 = *std::min_element(ys, ys + 4);
  *y2 = *std::max_element(ys, ys + 4);
  return 0;
}

long ztGetImgCellSize(void* dataset, double* cellX, double* cellY) {
  RSDataset* ds = AsDataset(dataset);
  if (!ds || !cellX || !cellY) return ZTRS_ERR_BAD_HANDLE;
  double gt[6];
  if (ds->gdal->GetGeoTransform(gt) != CE_None) return ZTRS_ERR_IO;
  *cellX = std::hypot(gt[1], gt[4]);
  *cellY = std::hypot(gt[2], gt[5]);
  return 0;
}
