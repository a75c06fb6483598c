#include "accuracy_faults.h"

#include <gdal.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "cli_support.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

// The classes of the class image that the check-point class file names
// nowhere, by number and name: "2 'water', 5 'urban'".
std::string ClassesWithoutPoints(const std::string& classFile, const std::vector<CLASSATTINFO>& records) {
  std::ifstream in(classFile);
  long count = 0, classNo = 0;
  std::set<long> named;
  in >> count;
  for (long i = 0; i < count && in >> classNo; ++i) named.insert(classNo);
  std::string missing;
  for (size_t k = 1; k <= records.size(); ++k) {
    if (named.count(static_cast<long>(k))) continue;
    const CLASSATTINFO& record = records[k - 1];
    missing += (missing.empty() ? "" : ", ") + std::to_string(k) + " '" +
               std::string(record.name, strnlen(record.name, sizeof record.name)) + "'";
  }
  return missing;
}

constexpr size_t kMaxText = size_t(1) << 20;

// The text of a check-point file as the library reads it, up to a
// terminating NUL; false when it cannot be read.
bool CheckPointText(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(kMaxText + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  return true;
}

// The user's locale, under which the library reads check-point files.
locale_t UserNumbers() {
  static const locale_t user = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  return user ? user : uselocale(static_cast<locale_t>(0));
}

// The first entry of a check-point file that the library cannot take,
// among those its count declares: one missing, or a text that is no number
// (classes: no whole number, or none of the classes 1..classCount;
// coordinates: no finite number) as the library reads numbers, under the
// user's locale and up to a terminating NUL; or a file above the size the
// library reads. Empty when the file cannot be read, its count is none the
// library takes, or it has no such entry.
std::string CheckPointFault(const std::string& path, bool classes, size_t classCount) {
  std::string text;
  if (!CheckPointText(path, text)) return "";
  if (text.size() > kMaxText) return "'" + path + "' holds more than 1 MiB, more than any 500 check points take";
  text.resize(std::min(text.size(), text.find('\0')));
  const locale_t numbers = UserNumbers();
  const auto whole = [&](const std::string& token, bool integer) {
    char* end = nullptr;
    if (integer)
      std::strtol(token.c_str(), &end, 10);
    else
      strtod_l(token.c_str(), &end, numbers);
    return end != token.c_str() && *end == '\0';
  };
  const auto finite = [&](const std::string& token) { return std::isfinite(strtod_l(token.c_str(), nullptr, numbers)); };
  size_t at = 0;
  long line = 1, count = 0, entries = -1;
  for (;;) {
    for (; at < text.size() && std::isspace(static_cast<unsigned char>(text[at])); ++at)
      if (text[at] == '\n') ++line;
    const size_t start = at;
    while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    const std::string token = text.substr(start, at - start);
    if (entries < 0) {
      if (!whole(token, true) || (count = std::strtol(token.c_str(), nullptr, 10)) < 1 || count > 500) return "";
      entries = 0;
      continue;
    }
    const long needed = classes ? count : 2 * count;
    if (entries == needed) return "";
    if (token.empty())
      return "'" + path + "' declares " + std::to_string(count) + " check points and holds " +
             (classes ? std::to_string(entries) + " class numbers" : std::to_string(entries / 2) + " x y pairs");
    const std::string place = "'" + path + "', line " + std::to_string(line) + ", entry " + std::to_string(entries + 1);
    if (!whole(token, classes) || (!classes && !finite(token)))
      return place + ": '" + token.substr(0, 40) + (token.size() > 40 ? "..." : "") + "' is " +
             (classes ? "no whole class number" : whole(token, false) ? "no finite number" : "no number");
    if (classes) {
      const long classNo = std::strtol(token.c_str(), nullptr, 10);
      if (classNo < 1 || static_cast<size_t>(classNo) > classCount)
        return place + ": class " + token + " is none of the class image's classes 1.." + std::to_string(classCount);
    }
    ++entries;
  }
}

// The first check point on the class image whose pixel holds no class
// 0..classCount (a no-data pixel, say), which fails the assessment. Points
// off the image are passed over, as the library passes them. Empty when
// the file or the image cannot be read or no point is such.
std::string PointWithoutClass(void* classImage, const std::string& pointFile, size_t classCount) {
  const auto dataset = static_cast<GDALDatasetH>(ztRSGetGDALDataset(classImage));
  double transform[6], inverse[6];
  std::string text;
  if (!dataset || GDALGetGeoTransform(dataset, transform) != CE_None || !GDALInvGeoTransform(transform, inverse) ||
      !CheckPointText(pointFile, text))
    return "";
  text.resize(std::min(text.size(), text.find('\0')));
  std::istringstream entries(text);
  long count = 0;
  entries >> count;
  GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
  const int columns = GDALGetRasterXSize(dataset), rows = GDALGetRasterYSize(dataset);
  std::string xText, yText;
  for (long k = 1; k <= count && entries >> xText >> yText; ++k) {
    const double x = strtod_l(xText.c_str(), nullptr, UserNumbers());
    const double y = strtod_l(yText.c_str(), nullptr, UserNumbers());
    const double column = inverse[0] + x * inverse[1] + y * inverse[2];
    const double row = inverse[3] + x * inverse[4] + y * inverse[5];
    if (!(column >= 0 && column < columns && row >= 0 && row < rows)) continue;
    double value = 0;
    if (GDALRasterIO(band, GF_Read, static_cast<int>(column), static_cast<int>(row), 1, 1, &value, 1, 1, GDT_Float64,
                     0, 0) != CE_None)
      return "";
    if (value > -1.0 && value < static_cast<double>(classCount) + 1.0) continue;
    int hasNoData = 0;
    const double noData = GDALGetRasterNoDataValue(band, &hasNoData);
    return "'" + pointFile + "', check point " + std::to_string(k) + " (" + xText + " " + yText +
           ") lies on a pixel of value " + FormatNumber(value) +
           (hasNoData && value == noData ? ", the class image's no-data value" : "") + ", none of 0.." +
           std::to_string(classCount) + ": there is no class to compare its reference class with";
  }
  return "";
}

}  // namespace

std::string AccuracyFault(long resultCode, bool fileMode, void* classImage, const std::vector<CLASSATTINFO>& records,
                          const std::string& classFile, const std::string& pointFile) {
  const std::string n = std::to_string(records.size());
  switch (resultCode) {
    case RC_CLASS_WITHOUT_CHECK_POINTS:
      return "no check point of class " + ClassesWithoutPoints(classFile, records) + " in '" + classFile +
             "': every class of the class image needs check points";
    case RC_TOO_MANY_CHECK_POINTS:
      return "at most 500 check points are taken in one run; none was dropped: split them over several runs";
    case RC_INPUT_FILE_FAILED:
      if (fileMode)
        for (const std::string& fault :
             {CheckPointFault(classFile, true, records.size()), CheckPointFault(pointFile, false, records.size()),
              PointWithoutClass(classImage, pointFile, records.size())})
          if (!fault.empty()) return fault;
      return "a check-point file cannot be read, or a class number lies outside 1.." + n +
             " or a class value outside 0.." + n;
    case RC_INPUT_COUNT_MISMATCH:
      return "the two check-point files give different counts, or a count below 1 or not a whole number";
    case RC_AOI_WITHOUT_POLYGON:
      return fileMode ? "" : "the class image holds a value outside 0.." + n + " under a reference polygon";
    default:
      return "";
  }
}

void RequireCheckPointGrid(void* classImage, const std::string& image) {
  double transform[6];
  if (GDALGetGeoTransform(static_cast<GDALDatasetH>(ztRSGetGDALDataset(classImage)), transform) != CE_None)
    throw CommandError("'" + image + "' has no georeferencing: check points are given in map coordinates");
}

void RequireReferenceClasses(size_t referenceClasses, size_t classes) {
  if (referenceClasses == 0) throw CommandError("no reference class AOI: give reference polygons with --aoi");
  if (referenceClasses != classes)
    throw CommandError("the reference polygons hold " + std::to_string(referenceClasses) +
                       " classes, the class image " + std::to_string(classes) +
                       ": class k of the polygons is compared with class k of the image");
}

}  // namespace ztcli
