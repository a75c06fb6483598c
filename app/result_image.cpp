#include "result_image.h"

#include <cpl_string.h>
#include <gdal.h>
#include <gdal_priv.h>
#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "class_records.h"
#include "qgis_style.h"
#include "worker_threads.h"
#include "written_files.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

bool Lists(const char* spaceSeparated, const std::string& word) {
  std::istringstream in(spaceSeparated ? spaceSeparated : "");
  for (std::string item; in >> item;)
    if (strcasecmp(item.c_str(), word.c_str()) == 0) return true;
  return false;
}

// The files of an open dataset, as GDAL lists them.
std::vector<std::string> FileList(GDALDatasetH dataset) {
  std::vector<std::string> files;
  char** list = dataset ? GDALGetFileList(dataset) : nullptr;
  for (int i = 0; list && list[i]; ++i) files.push_back(list[i]);
  CSLDestroy(list);
  return files;
}

}  // namespace

// KEY=VALUE list for GDAL, with the GeoTIFF defaults (tiled, DEFLATE at
// level 1, compressed on the command's threads) under the user's own. Class
// maps and clump labels are long runs that DEFLATE's fastest level packs
// within a fifth of its default level's size, five times as fast: at the
// default level, compressing a large result took longer than classifying it.
CPLStringList CreationOptions(bool geoTiff, const std::vector<std::string>& given) {
  CPLStringList list;
  for (const std::string& option : given) {
    const size_t eq = option.find('=');
    list.SetNameValue(option.substr(0, eq).c_str(), option.substr(eq + 1).c_str());
  }
  if (geoTiff) {
    if (!list.FetchNameValue("TILED")) list.SetNameValue("TILED", "YES");
    const std::string threads = CompressionThreads();
    if (!list.FetchNameValue("NUM_THREADS") && !threads.empty()) list.SetNameValue("NUM_THREADS", threads.c_str());
    if (!list.FetchNameValue("COMPRESS")) {
      list.SetNameValue("COMPRESS", "DEFLATE");
      if (!list.FetchNameValue("ZLEVEL")) list.SetNameValue("ZLEVEL", "1");
    }
  }
  return list;
}

ResultImage::ResultImage(const MethodOptions& o, OutputFiles& outputs, Holds holds, const std::string& option)
    : outputs_(outputs), output_(o.output), type_(ParseDataType(o.type)), creationOptions_(o.creationOptions) {
  for (const std::string& option : creationOptions_)
    if (option.find('=') == std::string::npos || option.front() == '=')
      throw UsageError("--co expects KEY=VALUE, got '" + option + "'");
  EnsureGdal();
  const bool vrt = strcasecmp(o.format.c_str(), "VRT") == 0;
  if (holds == Holds::Tiles) {
    if (!vrt) throw UsageError("a result of tiles written as files of their own is a VRT, not " + o.format);
    driver_ = ztRSGetDriverByName("VRT");
  } else if (EndsWithNoCase(output_, ".zti")) {
    driver_ = ztRSGetDriverByName("ZOVREKZTI");
  } else {
    if (vrt)
      throw UsageError("--of VRT: a VRT only refers to pixels kept in other files and cannot hold the result; "
                       "write a GeoTIFF and build a VRT on it with gdalbuildvrt");
    // GDAL opens a file by its content, so a GeoTIFF named *.vrt would load,
    // but every other tool and user would take it for a VRT of tiles.
    if (EndsWithNoCase(output_, ".vrt"))
      throw UsageError("-o " + output_ + ": a VRT only refers to pixels kept in other files and cannot hold the "
                       "result; name a GeoTIFF (.tif), or write tiles and a VRT of them with apply --dask");
    GDALDriverH gdal = GDALGetDriverByName(o.format.c_str());
    if (!gdal || !GDALGetMetadataItem(gdal, GDAL_DCAP_RASTER, nullptr))
      throw UsageError("--of: '" + o.format + "' is not a raster format of GDAL");
    const bool create = GDALGetMetadataItem(gdal, GDAL_DCAP_CREATE, nullptr) != nullptr;
    copy_ = !create;
    if (!create && !GDALGetMetadataItem(gdal, GDAL_DCAP_CREATECOPY, nullptr))
      throw UsageError("--of " + o.format + ": GDAL cannot write files of this format");
    if (strcasecmp(o.format.c_str(), "MEM") == 0)
      throw UsageError("--of MEM keeps the result in memory only; choose a format that writes a file");
    const char* types = GDALGetMetadataItem(gdal, GDAL_DMD_CREATIONDATATYPES, nullptr);
    // GDAL writes Int8 as signed Byte in formats that do not list it.
    const bool listed = Lists(types, DataTypeName(type_)) || (type_ == ZTRS_Int8 && Lists(types, "Byte"));
    if (types && !listed)
      throw UsageError("--ot " + o.type + ": the " + o.format + " format writes only " + types);
    driver_ = ztRSGetDriverByName(o.format.c_str());
  }
  if (!driver_) throw UsageError("--of: unknown raster format '" + o.format + "'");
  temporary_ = outputs.AddOutput(output_, option, true);
  if (copy_) scratch_ = outputs.ScratchPath(output_, ".tif");
}

ResultImage::~ResultImage() {
  if (!dataset_) return;
  if (auto* gdal = GDALDataset::FromHandle(static_cast<GDALDatasetH>(ztRSGetGDALDataset(dataset_->get()))))
    gdal->MarkSuppressOnClose();
}

void ResultImage::Create(void* source, const Window& window, long bandCount) {
  const bool zti = EndsWithNoCase(output_, ".zti");
  const bool geoTiff = copy_ || (!zti && strcasecmp(GDALGetDriverShortName(static_cast<GDALDriverH>(driver_)),
                                                    "GTiff") == 0);
  CPLStringList options = CreationOptions(geoTiff && !zti, copy_ ? std::vector<std::string>{} : creationOptions_);
  void* driver = copy_ ? ztRSGetDriverByName("GTiff") : driver_;
  const std::string& path = copy_ ? scratch_ : temporary_;
  CPLErrorReset();
  void* result = ztRSCreate(driver, path.c_str(), window.columns, window.rows, bandCount, type_,
                            zti ? nullptr : options.List());
  if (!result) throw CannotCreate(output_);
  ztRSCopyGeoreference(source, result, window.firstRow, window.firstColumn);
  dataset_ = std::make_unique<Dataset>(result);
  if (!copy_) outputs_.CheckWrittenBeside(temporary_, FileList(static_cast<GDALDatasetH>(ztRSGetGDALDataset(result))));
}

std::vector<CLASSATTINFO> ResultImage::Finish() {
  std::vector<CLASSATTINFO> records = ReadWrittenClassRecords(dataset_->get(), output_);
  if (!records.empty()) PublishLegend(dataset_->get(), records);
  unsigned char unclassified[3];
  UnclassifiedColour(dataset_->get(), unclassified);
  if (!records.empty()) WriteQgisStyle(QgisStylePath(temporary_), records, unclassified, output_);
  // The blocks still in GDAL's cache are written here, where a failure
  // (a full disk) can be told; a dataset closed with blocks it cannot write
  // may retry them for ever. After a failure it is thrown away unwritten.
  CPLErrorReset();
  {
    FirstWriteFailure failure;
    if (auto* gdal = static_cast<GDALDatasetH>(ztRSGetGDALDataset(dataset_->get()))) GDALFlushCache(gdal);
    if (CPLGetLastErrorType() >= CE_Failure) throw CannotWrite("'" + output_ + "'", failure.Reason());
  }
  dataset_->Close(output_);
  dataset_.reset();
  if (!copy_) return records;

  GDALDatasetH scratch = GDALOpen(scratch_.c_str(), GA_ReadOnly);
  if (!scratch) throw CommandError("cannot reopen the result written for '" + output_ + "'");
  // A GeoTIFF keeps 256 colour entries whatever it is given; a virtual copy
  // carries the legend of exactly the classes into the final format.
  GDALDatasetH legend = GDALCreateCopy(GDALGetDriverByName("VRT"), "", scratch, FALSE, nullptr, nullptr, nullptr);
  if (legend && !records.empty()) PublishGdalLegend(legend, records);
  CPLStringList options = CreationOptions(false, creationOptions_);
  CPLErrorReset();
  FirstWriteFailure failure;
  GDALDatasetH copy = GDALCreateCopy(static_cast<GDALDriverH>(driver_), temporary_.c_str(),
                                     legend ? legend : scratch, FALSE, options.List(), nullptr, nullptr);
  const std::vector<std::string> beside = copy ? FileList(copy) : std::vector<std::string>{};
  if (copy) GDALClose(copy);
  if (legend) GDALClose(legend);
  const bool failed = !copy || CPLGetLastErrorType() >= CE_Failure;
  const std::string reason = failure.Reason();
  GDALClose(scratch);
  if (failed) throw CannotWrite("'" + output_ + "'", reason);
  outputs_.CheckWrittenBeside(temporary_, beside);
  if (std::filesystem::exists(ClassFilePath(scratch_)) &&
      std::rename(ClassFilePath(scratch_).c_str(), ClassFilePath(temporary_).c_str()) != 0) {
    const int error = errno;
    throw CannotWrite("the class file of '" + output_ + "'", ErrnoReason(error));
  }
  return records;
}

}  // namespace ztcli
