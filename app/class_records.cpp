#include "class_records.h"

#include <gdal.h>

#include <cstring>

#include "cli_support.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace ztcli {

std::vector<CLASSATTINFO> ReadClassRecords(void* dataset, std::string& storage) {
  ZTIMGTYPE type;
  ztRSGetInternalImgType(dataset, type);
  const std::string path = ztRSGetDescription(dataset);
  storage = type == ZTIMG_ZTI ? "band note" : path.substr(0, path.rfind('.') + 1) + "cls";
  long count = 0;
  long rc = ztRSReadClsNum(dataset, count);
  if (rc == RC_CLS_FILE_MISSING) return {};
  Check(rc, "reading the class count");
  if (count < 0) throw CommandError("the class records hold a negative count");
  std::vector<CLASSATTINFO> records(count, CLASSATTINFO{});
  if (count > 0) Check(ztRSReadClassInfo(dataset, count, records.data()), "reading the class records");
  return records;
}

void PublishCategoryNames(void* dataset, const std::vector<CLASSATTINFO>& records) {
  size_t highest = 0;
  for (const auto& record : records) highest = std::max<size_t>(highest, record.classNo);
  std::vector<std::string> names(highest + 1);
  names[0] = records.empty() ? "" : "Unclassified";
  for (const auto& record : records) names[record.classNo] = RecordName(record);
  std::vector<char*> list;
  for (auto& name : names) list.push_back(name.data());
  list.push_back(nullptr);
  GDALDatasetH gdal = static_cast<GDALDatasetH>(ztRSGetGDALDataset(dataset));
  GDALSetRasterCategoryNames(GDALGetRasterBand(gdal, 1), list.data());
}

void PrintClassRecords(std::ostream& out, const std::vector<CLASSATTINFO>& records) {
  out << "No\tColour\tName\tRemark\n";
  for (const auto& r : records)
    out << int(r.classNo) << '\t' << FormatColour(r.red, r.green, r.blue) << '\t' << RecordName(r)
        << '\t' << RecordRemark(r) << '\n';
}

std::string RecordName(const CLASSATTINFO& record) {
  return std::string(record.name, strnlen(record.name, sizeof record.name));
}

std::string RecordRemark(const CLASSATTINFO& record) {
  return std::string(record.remark, strnlen(record.remark, sizeof record.remark));
}

}  // namespace ztcli
