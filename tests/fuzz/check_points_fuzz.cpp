// The two check-point files of the accuracy assessment's file mode, read by
// the whole export against a small georeferenced class image of three
// classes, and by the command line where it tells why they were refused. The
// input holds both files: the class file up to the first zero byte, the
// coordinate file after it.
#include <gdal.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "accuracy_faults.h"
#include "fuzz_support.h"
#include "ztclass/accuracy.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace {

struct ClassImage {
  void* dataset = ztfuzz::NewImage("classes.tif", 6, 4);
  std::string classes = ztfuzz::ScratchFile("point_classes.txt");
  std::string coordinates = ztfuzz::ScratchFile("points.txt");
  std::string report = ztfuzz::ScratchFile("report.txt");
  std::vector<CLASSATTINFO> records = std::vector<CLASSATTINFO>(3);

  // 6 x 4 pixels of 10 m from (1000, 2000), classes 0..3 by column.
  ClassImage() {
    double transform[6] = {1000, 10, 0, 2000, 0, -10};
    if (GDALSetGeoTransform(static_cast<GDALDatasetH>(ztRSGetGDALDataset(dataset)), transform) != CE_None)
      ztfuzz::Broken("no georeferencing");
    for (long r = 0; r < 4; ++r)
      for (long c = 0; c < 6; ++c) {
        unsigned char value = static_cast<unsigned char>(c % 4);
        ztRSRasterIO(ztRSGetRasterBand(dataset, 1), ZTRS_Write, c, r, 1, 1, &value, 1, 1, ZTRS_Byte, 0, 0);
      }
    for (int k = 0; k < 3; ++k) {
      records[k].classNo = static_cast<unsigned char>(k + 1);
      std::snprintf(records[k].name, sizeof records[k].name, "c%d", k + 1);
    }
    if (ztRSWriteClassInfo(dataset, 3, records.data()) != RC_OK) ztfuzz::Broken("no class records");
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ClassImage image;
  const uint8_t* split = std::find(data, data + size, 0);
  ztfuzz::WriteBytes(image.classes, data, static_cast<size_t>(split - data));
  const uint8_t* rest = split == data + size ? split : split + 1;
  ztfuzz::WriteBytes(image.coordinates, rest, static_cast<size_t>(data + size - rest));
  std::remove(image.report.c_str());
  const long rc = ztAccuracyAppraise(image.dataset, image.report.c_str(), image.coordinates.c_str(),
                                     image.classes.c_str(), nullptr, true, true, true, true);
  if (rc != RC_OK && rc != RC_INPUT_FILE_FAILED && rc != RC_INPUT_COUNT_MISMATCH && rc != RC_TOO_MANY_CHECK_POINTS &&
      rc != RC_CLASS_WITHOUT_CHECK_POINTS)
    ztfuzz::Broken("an unexpected result code");
  FILE* report = std::fopen(image.report.c_str(), "rb");
  if ((rc == RC_OK) != (report != nullptr)) ztfuzz::Broken("a report written on failure, or none on success");
  if (report) std::fclose(report);
  if (rc != RC_OK) ztcli::AccuracyFault(rc, true, image.dataset, image.records, image.classes, image.coordinates);
  return 0;
}
