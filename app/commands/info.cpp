// ztclass info IMAGE
#include <gdal_priv.h>

#include <iostream>
#include <memory>

#include "class_records.h"
#include "cli_support.h"
#include "commands/commands.h"
#include "result_options.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

void PrintGeoreferencing(GDALDataset* gdal) {
  double gt[6];
  if (gdal->GetGeoTransform(gt) != CE_None) {
    std::cout << "Georeferencing: none (pixel coordinates)\n";
    return;
  }
  std::cout << "Origin: " << FormatNumber(gt[0]) << ", " << FormatNumber(gt[3]) << "\n"
            << "Pixel size: " << FormatNumber(gt[1]) << ", " << FormatNumber(gt[5]) << "\n";
  const OGRSpatialReference* srs = gdal->GetSpatialRef();
  std::cout << "Coordinate system: " << (srs && srs->GetName() ? srs->GetName() : "none") << "\n";
}

void RunInfo(const std::string& path) {
  Dataset image = Dataset::Open(path, false);
  auto* gdal = static_cast<GDALDataset*>(ztRSGetGDALDataset(image.get()));
  ZTIMGTYPE kind;
  ztRSGetInternalImgType(image.get(), kind);
  std::cout << "File: " << path << "\n"
            << "Format: " << gdal->GetDriver()->GetDescription()
            << (kind == ZTIMG_ZTI ? " (zti)" : "") << "\n"
            << "Size: " << ztRSGetRasterXSize(image.get()) << " columns x "
            << ztRSGetRasterYSize(image.get()) << " rows, " << ztRSGetRasterCount(image.get())
            << " band(s)\n";
  for (long b = 1; b <= ztRSGetRasterCount(image.get()); ++b) {
    void* band = ztRSGetRasterBand(image.get(), b);
    long bx = 0, by = 0;
    ztRSGetBlockSize(band, &bx, &by);
    int hasNoData = 0;
    double noData = ztRSGetRasterNoDataValue(band, &hasNoData);
    const ZTRSDataType type = ztRSGetBandType(band);
    // A type the classifiers cannot read is named as GDAL names it.
    const std::string typeName = type == ZTRS_Unknown
                                     ? std::string(GDALGetDataTypeName(gdal->GetRasterBand(int(b))->GetRasterDataType())) +
                                           " (not classifiable)"
                                     : DataTypeName(type);
    std::cout << "Band " << b << ": " << typeName << ", block " << bx << "x" << by
              << ", no-data: " << (hasNoData ? FormatNumber(noData) : "none") << "\n";
  }
  PrintGeoreferencing(gdal);
  std::string storage;
  bool found = false;
  std::vector<CLASSATTINFO> records = ReadClassRecords(image.get(), storage, &found);
  if (!found) {
    std::cout << "Class records: none\n";
    return;
  }
  std::cout << "Class records: " << storage << ", " << records.size() << " record(s)\n";
  if (!records.empty()) PrintClassRecords(std::cout, records);
}

}  // namespace

void AddInfoCommand(CLI::App& app) {
  auto* command = app.add_subcommand("info", "Describe an image and its class records");
  auto path = std::make_shared<std::string>();
  command->add_option("IMAGE", *path, "Raster image")->required();
  command->callback([path] { RunInfo(*path); });
}

}  // namespace ztcli
