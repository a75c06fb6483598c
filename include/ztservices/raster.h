#pragma once
// Raster dataset service over GDAL.
//
// A dataset handle (void*) is a service object around a GDALDataset; a band
// handle one around a GDALRasterBand, owned by its dataset. Errors are result
// codes (0 success); functions returning handles return null on failure.
//
// Storage kinds: a dataset whose path ends in ".zti" (any case) is a zti
// image, the family's own format (a tiled GeoTIFF); the driver named
// "ZOVREKZTI" creates such files. Every other dataset is of type 1.
#include "ztclass/datatype.h"
#include "ztclass/records.h"
#include "ztservices/export.h"

class CAOIEditor;

// Host-side dataset management (not used by the classification library).
ZTSERVICES_API void* ztRSOpen(const char* path, int update);
ZTSERVICES_API void* ztRSGetDriverByName(const char* name);
// options: null-terminated list of "KEY=VALUE" creation options, or null.
ZTSERVICES_API void* ztRSCreate(void* driver, const char* path, long columns, long rows,
                                long bands, ZTRSDataType type, const char* const* options);
ZTSERVICES_API long ztRSDeleteDataset(void* driver, const char* path);
ZTSERVICES_API long ztRSClose(void* dataset);
// Copies projection and the geotransform of source, shifted to start at the
// given source pixel, onto target (for window-sized results).
ZTSERVICES_API long ztRSCopyGeoreference(void* source, void* target, long firstRow,
                                         long firstColumn);
// The GDALDatasetH behind a handle, for hosts that need GDAL directly.
ZTSERVICES_API void* ztRSGetGDALDataset(void* dataset);
// Sets a metadata item of the dataset's default domain (name=value, as
// gdalinfo lists them); 0, ZTRS_ERR_BAD_HANDLE or ZTRS_ERR_IO.
ZTSERVICES_API long ztRSSetMetadataItem(void* dataset, const char* name, const char* value);
// Writes every changed block of the dataset out to its file. A dataset that
// is being written must be flushed before it is read back: GDAL's GeoTIFF
// reader decodes on the same worker threads that compress the blocks still
// waiting to be written, and with several threads they can end up waiting
// on each other.
ZTSERVICES_API long ztRSFlushCache(void* dataset);

// Dataset and band queries.
ZTSERVICES_API long ztRSGetRasterXSize(void* dataset);
ZTSERVICES_API long ztRSGetRasterYSize(void* dataset);
ZTSERVICES_API long ztRSGetRasterCount(void* dataset);
ZTSERVICES_API void* ztRSGetRasterBand(void* dataset, long number);
// The pixel type of band 1.
ZTSERVICES_API ZTRSDataType ztRSGetDatasetType(void* dataset);
ZTSERVICES_API ZTRSDataType ztRSGetBandType(void* band);
ZTSERVICES_API long ztRSGetBlockSize(void* band, long* columns, long* rows);
ZTSERVICES_API const char* ztRSGetDescription(void* dataset);
ZTSERVICES_API long ztRSGetInternalImgType(void* dataset, ZTIMGTYPE& type);
// "" gives the handle of the band note service; "ZOVREKZTI" the handle for
// cell access (ztGetCell / ztSetCell). Null for an unknown kind.
ZTSERVICES_API void* ztRSGetInternalHandle(void* dataset, const char* kind);

// Pixel access. Reads and writes width x height values of type, row-major.
// pixelSpace and lineSpace are accepted for compatibility; 0 means packed.
ZTSERVICES_API long ztRSRasterIO(void* band, ZTRSRWFlag flag, long x, long y, long width,
                                 long height, void* buffer, long bufferWidth, long bufferHeight,
                                 ZTRSDataType type, long pixelSpace, long lineSpace);
// A failed read or write (GDAL returned an error, or raised one during the
// call: a truncated file, a corrupted compressed block, a missing VRT
// source; a window outside the image, of a negative size, or beyond GDAL's
// 32-bit positions) returns ZTRS_ERR_IO and leaves its description for
// ztRSLastIOError.
// The last raster read, write, flush or close that failed on the calling
// thread: "reading 'FILE', band B, row R: GDAL's reason" ("" while none has
// failed). Valid until the thread's next failure.
ZTSERVICES_API const char* ztRSLastIOError();
// Forgets the calling thread's last failure: a host that runs many calls on
// one thread calls it before the call whose failure it will describe.
ZTSERVICES_API void ztRSResetLastIOError();
// Pyramid layer 1 is full resolution. Opening counts; closing a dataset that
// was never opened is accepted.
ZTSERVICES_API long ztRSOpenPyramidLayer(void* dataset, long layer);
ZTSERVICES_API long ztRSClosePyramidLayer(void* dataset);

// Typed value buffers and conversions. ztRSConvNValues and ztRSConvValue are
// exact; ztConvNDValues truncates toward zero, saturates at the type's range
// and turns NaN into 0.
ZTSERVICES_API long ztRSNewValueData(ZTRSDataType type, void** buffer, long count);
ZTSERVICES_API void ztRSDelValueData(void* buffer);
ZTSERVICES_API long ztRSSizeOfType(ZTRSDataType type);
ZTSERVICES_API long ztRSConvNValues(ZTRSDataType type, const void* buffer, long count,
                                    double* values);
ZTSERVICES_API long ztConvNDValues(const double* values, ZTRSDataType type, void* buffer,
                                   long count);
ZTSERVICES_API long ztRSConvValue(ZTRSDataType type, const void* buffer, double& value);

// No-data. flag is 1 when the band has a no-data value.
ZTSERVICES_API double ztRSGetRasterNoDataValue(void* band, int* flag);
ZTSERVICES_API long ztRSSetRasterNoDataValue(void* band, double value);

// Colour tables, owned by the service. The fourth component of an entry is
// reserved: it is read back as 0 and the colour is stored opaque (GDAL's
// alpha 255). The dataset's table is a copy of band 1's, so changing it
// changes the image only once it is set on a band again; it stays valid
// until the next request for the same dataset's table or the dataset's
// closing. A created table lives until the process ends.
ZTSERVICES_API void* ztRSGetDatasetColorTable(void* dataset);
ZTSERVICES_API void* ztRSCreateColorTable(long interpretation);
ZTSERVICES_API long ztRSSetColorEntry(void* table, long index, const ZTRSColorEntry* entry);
ZTSERVICES_API long ztRSGetColorEntryAsRGB(void* table, long index, ZTRSColorEntry* entry);
ZTSERVICES_API long ztRSGetColorEntryCount(void* table);
ZTSERVICES_API long ztRSSetRasterColorTable(void* band, void* table);

// AOIs attached to an image. A host attaches a vector file (any OGR source);
// without one, a sidecar "<image>.aoi.gpkg" or "<image>.aoi.geojson" is used
// when it exists. The polygons are those of the source's only layer of
// geometries, or of the layer that a "|layername=NAME" suffix of the path
// names; a source of several such layers without one named, or without the
// named one, gives ZTRS_ERR_AOI_FILE. classField may be null: the first of class, classname,
// name, label is used, or each feature becomes its own AOI; a classField the layer lacks
// gives ZTRS_ERR_AOI_FIELD.
// Coordinates are map coordinates, reprojected from the file's coordinate
// system to the image's, when the image is georeferenced; pixel/line
// positions (x column, y row) when it is not and the file declares no
// coordinate system (a GeoJSON file declares one only with a "crs" member, a GeoPackage layer
// not with the format's undefined ones, srs_id 0 and -1). A file that declares one on an image
// without georeferencing is refused with ZTRS_ERR_AOI_CRS: nothing says where its coordinates fall.
// Curved polygons and other surfaces are polygons. A vertex that cannot be placed in the image's
// space, a point or a line (no pixel inside), and attributes that cannot be read (a shapefile's
// .dbf cut short), give ZTRS_ERR_AOI_FILE. ztRSLastAOIError says why.
ZTSERVICES_API long ztRSAttachAOIFile(void* dataset, const char* path, const char* classField);
// The vector file the dataset's AOIs are read from: the one attached, else
// its sidecar; "" when it has neither.
ZTSERVICES_API const char* ztRSGetAOIFile(void* dataset);
// pixels non-zero: the coordinates of AOI files attached to the dataset from
// now on are pixel/line positions, whatever the coordinate systems of the
// image and the file.
ZTSERVICES_API long ztRSSetAOIPixelCoordinates(void* dataset, int pixels);
// Why the last AOI file failed to load on the calling thread: the polygon
// and class that could not be placed, the two coordinate systems, or GDAL's
// reason ("" when none failed).
ZTSERVICES_API const char* ztRSLastAOIError();
// Adds an AOI held in memory, after those of any file. Polygon i has
// pointCounts[i] vertices; xy holds all vertices as x, y pairs in pixel
// coordinates (x column, y row), polygon after polygon.
ZTSERVICES_API long ztRSAddAOI(void* dataset, const char* name, unsigned char red,
                               unsigned char green, unsigned char blue, long aoiType,
                               const char* remark, long polygonCount, const long* pointCounts,
                               const double* xy);
ZTSERVICES_API long ztRSAllocAOIInfo(void* dataset, CAOIEditor** editor);
ZTSERVICES_API long ztRSFreeAOIInfo(CAOIEditor* editor);
ZTSERVICES_API long ztRSGetAOINums(CAOIEditor* editor, long* count);
ZTSERVICES_API long ztRSGetAOIInfo(CAOIEditor* editor, AOI* records);

// Statistics and coordinates, mapped onto GDAL's own. Statistics asked for
// exact and forced are read from the pixels, never from those the file holds.
ZTSERVICES_API long ztRSGetRasterStatistics(void* band, int approxOK, int force, double* minimum,
                                            double* maximum, double* mean, double* deviation);
ZTSERVICES_API long ztRSComputeRasterMinMax(void* band, int approxOK, double minMax[2]);
ZTSERVICES_API long ztRSGetRasterHistogram(void* band, double minimum, double maximum,
                                           int buckets, unsigned long long* histogram,
                                           int includeOutOfRange, int approxOK);
// mode 0: map (x, y) to pixel (column, row); mode 1: pixel to map.
ZTSERVICES_API long ztRSGetCoordinate(void* dataset, long mode, double* x, double* y);
// The dataset's extent in map units: x1 (left), x2 (right), y1 (bottom), y2 (top).
ZTSERVICES_API long ztRSGetUserCoordiate(void* dataset, double* x1, double* x2, double* y1,
                                         double* y2);
ZTSERVICES_API long ztGetImgCellSize(void* dataset, double* cellX, double* cellY);

// Service-specific error codes (besides the library's own).
constexpr long ZTRS_ERR_BAD_HANDLE = 2000004;
constexpr long ZTRS_ERR_IO = 5000010;
constexpr long ZTRS_ERR_AOI_FILE = 1000040;
constexpr long ZTRS_ERR_AOI_CRS = 1000042;
constexpr long ZTRS_ERR_AOI_FIELD = 1000043;
