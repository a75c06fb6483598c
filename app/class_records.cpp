#include "class_records.h"

#include <fcntl.h>
#include <gdal.h>
#include <gdal_rat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cli_support.h"
#include "output_files.h"
#include "ztclass/classinfo.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace ztcli {

std::vector<CLASSATTINFO> ReadClassRecords(void* dataset, std::string& storage, bool* found) {
  ZTIMGTYPE type;
  ztRSGetInternalImgType(dataset, type);
  const std::string path = ztRSGetDescription(dataset);
  storage = type == ZTIMG_ZTI ? "band note" : path.substr(0, path.rfind('.') + 1) + "cls";
  const std::string from = type == ZTIMG_ZTI ? "the band note of '" + path + "'" : "'" + storage + "'";
  long count = 0;
  long rc = ztRSReadClsNum(dataset, count);
  if (found) *found = rc != RC_CLS_FILE_MISSING;
  if (rc == RC_CLS_FILE_MISSING) return {};
  Check(rc, "reading the class count from " + from);
  if (count < 0) throw CommandError("the class records in " + from + " hold a negative count");
  std::vector<CLASSATTINFO> records(count, CLASSATTINFO{});
  if (count > 0) Check(ztRSReadClassInfo(dataset, count, records.data()), "reading the class records from " + from);
  return records;
}

namespace {

// Why a file written in full a moment ago holds less: writing on at its end
// fails as its own write did (a full disk, a size limit); empty when that
// now succeeds.
std::string WhyCutShort(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return ErrnoReason(errno);
  const char block[4096] = {};
  const ssize_t written = write(fd, block, sizeof block);
  const int error = errno;
  close(fd);
  return written < 0 ? ErrnoReason(error) : "";
}

}  // namespace

std::vector<CLASSATTINFO> ReadWrittenClassRecords(void* dataset, const std::string& image) {
  std::string storage;
  try {
    return ReadClassRecords(dataset, storage);
  } catch (const CommandError&) {
    if (storage == "band note") throw;
    throw CannotWrite("'" + ClassFilePath(image) + "', the class file of '" + image + "'", WhyCutShort(storage));
  }
}

std::vector<CLASSATTINFO> ReadRecordsInValueOrder(void* dataset, const std::string& image, std::string& storage) {
  std::vector<CLASSATTINFO> records = ReadClassRecords(dataset, storage);
  for (size_t k = 0; k < records.size(); ++k)
    if (records[k].classNo != k + 1)
      throw CommandError("'" + image + "': class record " + std::to_string(k + 1) + " (" + storage + ") is class " +
                         std::to_string(int{records[k].classNo}) + "; an assessment takes record k as the class of " +
                         "value k, so the records must number the classes 1 to " + std::to_string(records.size()) +
                         " in order");
  return records;
}

namespace {

constexpr int kNoDataClass = 255;

// Entries 0..highest (and 255 for no-data): class colours, entry 0 and 255
// as the library coloured them, nothing in between.
void SetColourTable(GDALRasterBandH band, const std::vector<CLASSATTINFO>& records, size_t highest,
                    bool noData255) {
  GDALColorTableH old = GDALGetRasterColorTable(band);
  GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
  const GDALColorEntry none{0, 0, 0, 0};
  const size_t count = noData255 ? kNoDataClass + 1 : highest + 1;
  for (size_t i = 0; i < count; ++i) {
    GDALColorEntry entry = none;
    if ((i == 0 || i == kNoDataClass) && old && static_cast<int>(i) < GDALGetColorEntryCount(old))
      entry = *GDALGetColorEntry(old, static_cast<int>(i));
    if (i == 0 && !old) entry = GDALColorEntry{0, 0, 0, 255};
    GDALSetColorEntry(table, static_cast<int>(i), &entry);
  }
  for (const auto& record : records) {
    const GDALColorEntry entry{record.red, record.green, record.blue, 255};
    GDALSetColorEntry(table, record.classNo, &entry);
  }
  CPLPushErrorHandler(CPLQuietErrorHandler);
  GDALSetRasterColorTable(band, table);
  CPLPopErrorHandler();
  GDALDestroyColorTable(table);
}

void SetAttributeTable(GDALRasterBandH band, const std::vector<CLASSATTINFO>& records) {
  GDALRasterAttributeTableH rat = GDALCreateRasterAttributeTable();
  GDALRATCreateColumn(rat, "Value", GFT_Integer, GFU_MinMax);
  GDALRATCreateColumn(rat, "Class_Name", GFT_String, GFU_Name);
  GDALRATCreateColumn(rat, "Red", GFT_Integer, GFU_Red);
  GDALRATCreateColumn(rat, "Green", GFT_Integer, GFU_Green);
  GDALRATCreateColumn(rat, "Blue", GFT_Integer, GFU_Blue);
  for (size_t i = 0; i < records.size(); ++i) {
    const int row = static_cast<int>(i);
    GDALRATSetValueAsInt(rat, row, 0, records[i].classNo);
    GDALRATSetValueAsString(rat, row, 1, RecordName(records[i]).c_str());
    GDALRATSetValueAsInt(rat, row, 2, records[i].red);
    GDALRATSetValueAsInt(rat, row, 3, records[i].green);
    GDALRATSetValueAsInt(rat, row, 4, records[i].blue);
  }
  CPLPushErrorHandler(CPLQuietErrorHandler);
  GDALSetDefaultRAT(band, rat);
  CPLPopErrorHandler();
  GDALDestroyRasterAttributeTable(rat);
}

}  // namespace

void PublishLegend(void* dataset, const std::vector<CLASSATTINFO>& records) {
  PublishGdalLegend(static_cast<GDALDatasetH>(ztRSGetGDALDataset(dataset)), records);
}

void PublishGdalLegend(GDALDatasetH dataset, const std::vector<CLASSATTINFO>& records) {
  if (records.empty()) return;
  GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
  int hasNoData = 0;
  const double noData = GDALGetRasterNoDataValue(band, &hasNoData);
  const bool noData255 = hasNoData && noData == kNoDataClass;
  size_t highest = 0;
  for (const auto& record : records) highest = std::max<size_t>(highest, record.classNo);
  SetColourTable(band, records, highest, noData255);

  std::vector<std::string> names(noData255 ? kNoDataClass + 1 : highest + 1);
  names[0] = "Unclassified";
  if (noData255) names[kNoDataClass] = "No data";
  for (const auto& record : records) names[record.classNo] = RecordName(record);
  std::vector<char*> list;
  for (auto& name : names) list.push_back(name.data());
  list.push_back(nullptr);
  GDALSetRasterCategoryNames(band, list.data());
  SetAttributeTable(band, records);
}

void UnclassifiedColour(void* dataset, unsigned char rgb[3]) {
  GDALDatasetH gdal = static_cast<GDALDatasetH>(ztRSGetGDALDataset(dataset));
  GDALColorTableH table = GDALGetRasterColorTable(GDALGetRasterBand(gdal, 1));
  const GDALColorEntry* entry = table ? GDALGetColorEntry(table, 0) : nullptr;
  rgb[0] = entry ? static_cast<unsigned char>(entry->c1) : 0;
  rgb[1] = entry ? static_cast<unsigned char>(entry->c2) : 0;
  rgb[2] = entry ? static_cast<unsigned char>(entry->c3) : 0;
}

void PrintClassRecords(std::ostream& out, const std::vector<CLASSATTINFO>& records) {
  out << "No\tColour\tName\tRemark\n";
  for (const auto& r : records)
    out << int(r.classNo) << '\t' << FormatColour(r.red, r.green, r.blue) << '\t' << Printable(RecordName(r))
        << '\t' << Printable(RecordRemark(r)) << '\n';
}

std::string RecordName(const CLASSATTINFO& record) {
  return std::string(record.name, strnlen(record.name, sizeof record.name));
}

std::string RecordRemark(const CLASSATTINFO& record) {
  return std::string(record.remark, strnlen(record.remark, sizeof record.remark));
}

void CopyClasses(const std::string& original, void* result) {
  Dataset classes = Dataset::Open(original, false);
  std::string storage;
  std::vector<CLASSATTINFO> records = ReadClassRecords(classes.get(), storage);
  if (!records.empty())
    Check(ztRSWriteClassInfo(result, static_cast<long>(records.size()), records.data()), "copying the class records");
  if (void* table = ztRSGetDatasetColorTable(classes.get()))
    ztRSSetRasterColorTable(ztRSGetRasterBand(result, 1), table);
}

}  // namespace ztcli
