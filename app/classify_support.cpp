#include "classify_support.h"

#include <gdal_priv.h>
#include <gdal_rat.h>
#include <unistd.h>

#include <charconv>
#include <iostream>
#include <sstream>

#include "class_records.h"
#include "progress_bar.h"
#include "quicklook.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

// A raster attribute table of the classes, for formats that keep one.
void WriteAttributeTable(void* dataset, const std::vector<CLASSATTINFO>& records) {
  GDALRasterAttributeTable* rat = new GDALDefaultRasterAttributeTable();
  rat->CreateColumn("Value", GFT_Integer, GFU_MinMax);
  rat->CreateColumn("Class_Name", GFT_String, GFU_Name);
  rat->CreateColumn("Red", GFT_Integer, GFU_Red);
  rat->CreateColumn("Green", GFT_Integer, GFU_Green);
  rat->CreateColumn("Blue", GFT_Integer, GFU_Blue);
  for (size_t i = 0; i < records.size(); ++i) {
    const int row = static_cast<int>(i);
    rat->SetValue(row, 0, records[i].classNo);
    rat->SetValue(row, 1, RecordName(records[i]).c_str());
    rat->SetValue(row, 2, records[i].red);
    rat->SetValue(row, 3, records[i].green);
    rat->SetValue(row, 4, records[i].blue);
  }
  auto* gdal = static_cast<GDALDataset*>(ztRSGetGDALDataset(dataset));
  gdal->GetRasterBand(1)->SetDefaultRAT(rat);
  delete rat;
}

}  // namespace

void AddClassifyOptions(CLI::App& command, ClassifyOptions& o) {
  command.add_option("IMAGE", o.image, "Multi-band image to classify")->required();
  command.add_option("--aoi", o.aoiFile,
                     "Vector file of training polygons (default: IMAGE.aoi.gpkg or IMAGE.aoi.geojson)");
  command.add_option("--class-field", o.classField, "Field naming the class (default: class, classname, name or label)");
  AddBandOption(command, o.method);
  AddWindowOption(command, o.method);
  AddResultOptions(command, o.method);
  command.add_option("--png", o.png, "Also write a colour quicklook of the class image");
}

ClassifyJob::ClassifyJob(const ClassifyOptions& o) : source(Dataset::Open(o.image, false)) {
  bands = SelectedBands(o.method, source.get());
  window = ParseWindow(o.method.window, source.get());
  aois = std::make_unique<ClassAoiList>(source.get(), o.aoiFile, o.classField);
  if (aois->Aois().empty())
    throw CommandError("'" + o.image + "' has no class AOI: give training polygons with --aoi");
}

std::vector<float> ParseFactors(const std::string& text, long classCount, const std::string& option) {
  std::vector<float> factors;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, ',');) {
    float value = 0;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (ec != std::errc() || end != part.data() + part.size() || part.empty())
      throw CommandError(option + " expects numbers, got '" + text + "'");
    factors.push_back(value);
  }
  if (factors.size() == 1) factors.assign(classCount, factors[0]);
  if (static_cast<long>(factors.size()) != classCount)
    throw CommandError(option + " lists " + std::to_string(factors.size()) + " values for " +
                       std::to_string(classCount) + " class AOIs");
  return factors;
}

void RunClassification(const ClassifyOptions& o, ClassifyJob& job, const std::string& what,
                       const std::function<long(void*)>& classify) {
  Dataset result = CreateResult(job.source.get(), job.window, o.method);
  {
    ProgressBar bar(isatty(STDERR_FILENO));
    Check(classify(result.get()), what);
  }
  std::string storage;
  std::vector<CLASSATTINFO> records = ReadClassRecords(result.get(), storage);
  PublishCategoryNames(result.get(), records);
  WriteAttributeTable(result.get(), records);
  result.Close();
  if (!o.png.empty()) WriteQuicklook(o.method.output, o.png);
  std::cout << "Wrote " << o.method.output << " (" << records.size() << " classes)";
  if (!o.png.empty()) std::cout << " and " << o.png;
  std::cout << "\n";
}

}  // namespace ztcli
