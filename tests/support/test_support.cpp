#include "test_support.h"

#include <cpl_string.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "ztservices/language.h"

namespace zttest {

namespace {
// The library's texts are checked as the system's own Chinese ones, byte for
// byte, whatever the locale the tests run under.
const bool kChineseTexts = (ztSetLanguage("zh"), true);
}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zttest-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

CommaLocale::CommaLocale() {
  const std::string made =
      "localedef -i de_DE -f ISO-8859-1 '" + dir_.File("de_DE") + "' >/dev/null 2>&1";
  if (std::system(made.c_str()) != 0 || setenv("LOCPATH", dir_.path().c_str(), 1) != 0) return;
  active_ = std::setlocale(LC_ALL, "de_DE") != nullptr && std::string(std::localeconv()->decimal_point) == ",";
}

CommaLocale::~CommaLocale() {
  std::setlocale(LC_ALL, "C");
  unsetenv("LOCPATH");
}

void WriteGeoTiff(const std::string& path, const RasterSpec& spec,
                  const std::function<double(int, int, int)>& value) {
  GDALAllRegister();
  CPLStringList options;
  if (spec.blockColumns > 0) {
    options.SetNameValue("TILED", "YES");
    options.SetNameValue("BLOCKXSIZE", std::to_string(spec.blockColumns).c_str());
    options.SetNameValue("BLOCKYSIZE", std::to_string(spec.blockRows).c_str());
  } else if (spec.blockRows > 0) {
    options.SetNameValue("BLOCKYSIZE", std::to_string(spec.blockRows).c_str());
  }
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
  GDALDataset* ds = driver->Create(path.c_str(), spec.columns, spec.rows, spec.bands, spec.type, options.List());
  if (!ds) throw std::runtime_error("cannot create " + path);
  if (spec.georeferenced) {
    double gt[6] = {500000, 30, 0, 4000000, 0, -30};
    ds->SetGeoTransform(gt);
    OGRSpatialReference srs;
    srs.importFromEPSG(32633);
    ds->SetSpatialRef(&srs);
  }
  std::vector<double> row(spec.columns);
  for (int b = 1; b <= spec.bands; ++b) {
    GDALRasterBand* band = ds->GetRasterBand(b);
    if (spec.hasNoData) band->SetNoDataValue(spec.noData);
    for (int r = 0; r < spec.rows; ++r) {
      for (int c = 0; c < spec.columns; ++c) row[c] = value(b, c, r);
      if (band->RasterIO(GF_Write, 0, r, spec.columns, 1, row.data(), spec.columns, 1, GDT_Float64, 0, 0, nullptr) != CE_None)
        throw std::runtime_error("write failed");
    }
  }
  GDALClose(ds);
}

void WriteBandStack(const std::string& path, int columns, int rows, const std::vector<StackBand>& stack) {
  std::string bands;
  for (size_t i = 0; i < stack.size(); ++i) {
    const std::string file = path + "." + std::to_string(i + 1) + ".tif";
    WriteGeoTiff(file, {.columns = columns, .rows = rows, .type = stack[i].type}, stack[i].value);
    bands += "<VRTRasterBand band=\"" + std::to_string(i + 1) + "\" dataType=\"" +
             GDALGetDataTypeName(stack[i].type) + "\"><SimpleSource><SourceFilename>" + file +
             "</SourceFilename><SourceBand>1</SourceBand></SimpleSource></VRTRasterBand>";
  }
  WriteText(path, "<VRTDataset rasterXSize=\"" + std::to_string(columns) + "\" rasterYSize=\"" +
                      std::to_string(rows) + "\">" + bands + "</VRTDataset>");
}

std::vector<double> ReadBand(const std::string& path, int band) {
  GDALAllRegister();
  GDALDataset* ds = GDALDataset::Open(path.c_str(), GDAL_OF_RASTER);
  if (!ds) throw std::runtime_error("cannot open " + path);
  std::vector<double> values(size_t(ds->GetRasterXSize()) * ds->GetRasterYSize());
  if (ds->GetRasterBand(band)->RasterIO(GF_Read, 0, 0, ds->GetRasterXSize(), ds->GetRasterYSize(), values.data(),
                                        ds->GetRasterXSize(), ds->GetRasterYSize(), GDT_Float64, 0, 0, nullptr) != CE_None)
    throw std::runtime_error("read failed");
  GDALClose(ds);
  return values;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

ProgressRecorder::ProgressRecorder() {
  ZTProgressSink sink = Sink(this);
  ztSetProgressSink(&sink);
}

ProgressRecorder::~ProgressRecorder() { ztSetProgressSink(nullptr); }

int ProgressRecorder::Count(const std::string& event) const {
  return static_cast<int>(std::count(events.begin(), events.end(), event));
}

std::string ProgressRecorder::LastCaption() const {
  for (auto e = events.rbegin(); e != events.rend(); ++e)
    if (e->rfind("sub:", 0) == 0) return e->substr(4);
  return "";
}

ZTProgressSink ProgressRecorder::Sink(ProgressRecorder* self) {
  ZTProgressSink sink{};
  sink.userData = self;
  sink.start = [](void* u) { static_cast<ProgressRecorder*>(u)->events.push_back("start"); };
  sink.end = [](void* u) { static_cast<ProgressRecorder*>(u)->events.push_back("end"); };
  sink.mainName = [](void* u, const char* t) { static_cast<ProgressRecorder*>(u)->events.push_back(std::string("main:") + t); };
  sink.subName = [](void* u, const char* t) { static_cast<ProgressRecorder*>(u)->events.push_back(std::string("sub:") + t); };
  sink.position = [](void* u, long lo, long hi, long pos) {
    auto* r = static_cast<ProgressRecorder*>(u);
    std::string range = "range:" + std::to_string(lo) + "," + std::to_string(hi);
    if (r->events.empty() || r->events.back() != range) r->events.push_back(range);
  };
  sink.stopRequested = [](void* u) {
    auto* r = static_cast<ProgressRecorder*>(u);
    ++r->steps;
    return r->stopAfterSteps >= 0 && r->steps > r->stopAfterSteps ? 1 : 0;
  };
  return sink;
}

void AddAoi(void* ds, const std::vector<std::vector<double>>& rings, const char* name) {
  std::vector<long> counts;
  std::vector<double> xy;
  for (const auto& ring : rings) {
    counts.push_back(long(ring.size() / 2));
    xy.insert(xy.end(), ring.begin(), ring.end());
  }
  ASSERT_EQ(ztRSAddAOI(ds, name, 10, 20, 30, 3, "", long(counts.size()), counts.data(), xy.data()), 0);
}

}  // namespace zttest
