#include "cluster_support.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>

#include "class_records.h"
#include "progress_bar.h"
#include "quicklook.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

long LargestValue(ZTRSDataType type) {
  switch (type) {
    case ZTRS_Byte: return 255;
    case ZTRS_Int8: return 127;
    case ZTRS_UInt16: return 65535;
    case ZTRS_Int16: return 32767;
    default: return 1L << 30;
  }
}

// The source can give no-data pixels, which take class 255: a no-data value
// on the first listed band, or a floating type that may hold NaN.
bool HasNoData(void* source, long firstBand) {
  int flag = 0;
  ztRSGetRasterNoDataValue(ztRSGetRasterBand(source, firstBand), &flag);
  const ZTRSDataType type = ztRSGetDatasetType(source);
  return flag == 1 || type == ZTRS_Float32 || type == ZTRS_Float64;
}

void RemoveResult(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  std::filesystem::remove(path + ".aux.xml", ec);
  const std::filesystem::path cls = std::filesystem::path(path).replace_extension("cls");
  if (cls != std::filesystem::path(path)) std::filesystem::remove(cls, ec);
}

// Pixels of each class value in band 1 of a result.
std::map<long, long> PixelsPerClass(void* result) {
  std::map<long, long> counts;
  void* band = ztRSGetRasterBand(result, 1);
  const long columns = ztRSGetRasterXSize(result), rows = ztRSGetRasterYSize(result);
  std::vector<double> row(columns);
  for (long y = 0; y < rows; ++y) {
    if (ztRSRasterIO(band, ZTRS_Read, 0, y, columns, 1, row.data(), columns, 1, ZTRS_Float64, 0, 0) != 0) break;
    for (double v : row) ++counts[std::lround(v)];
  }
  return counts;
}

}  // namespace

void AddClusterOptions(CLI::App& command, ClusterOptions& o) {
  command.add_option("IMAGE", o.image, "Multi-band image to classify")->required();
  AddBandOption(command, o.method);
  AddWindowOption(command, o.method);
  AddResultOptions(command, o.method);
  command.add_option("--png", o.png, "Also write a colour quicklook of the class image");
  command.add_option("--classes", o.classes, "Number of classes K to look for")->required();
  command.add_option("--interval", o.interval,
                     "Sampling interval in pixels, rows and columns (default, or 0: the one that draws about " +
                         std::to_string(kTargetSamples) + " samples from the window)");
  command.add_option("--display-bands", o.displayBands,
                     "Image bands R,G,B (from --bands) whose class means colour the classes (default: step colours)");
}

ClusterJob::ClusterJob(const ClusterOptions& o, const std::function<long(long)>& highestValue)
    : source(Dataset::Open(o.image, false)) {
  bands = SelectedBands(o.method, source.get());
  window = ParseWindow(o.method.window, source.get());
  if (o.classes < 1) throw CommandError("--classes must be at least 1");
  if (o.interval < 0) throw CommandError("--interval must be at least 1");
  interval = o.interval;
  if (interval == 0) {
    const double pixels = double(window.rows) * double(window.columns);
    interval = std::max(1L, long(std::sqrt(pixels / kTargetSamples)));
  }
  if (!o.displayBands.empty()) {
    for (long band : ParseBandList(o.displayBands)) {
      long position = 0;
      for (size_t i = 0; i < bands.size() && position == 0; ++i)
        if (bands[i] == band) position = long(i) + 1;
      if (position == 0) throw CommandError("display band " + std::to_string(band) + " is not among the bands used");
      displayPositions.push_back(position);
    }
    if (displayPositions.size() != 3) throw CommandError("--display-bands expects three bands R,G,B");
  }
  const long highest = highestValue(o.classes);
  const ZTRSDataType type = ParseDataType(o.method.type);
  if (highest > LargestValue(type))
    throw CommandError("--classes " + std::to_string(o.classes) + " gives class values up to " +
                       std::to_string(highest) + ", more than a " + o.method.type + " result holds");
  if (highest >= 255 && HasNoData(source.get(), bands[0]))
    throw CommandError("--classes " + std::to_string(o.classes) + " gives class values up to " +
                       std::to_string(highest) + ", which would meet 255, the class of the image's no-data pixels");
}

void RunCluster(const ClusterOptions& o, ClusterJob& job, const std::string& what,
                const std::function<long(void*)>& classify) {
  Dataset result = CreateResult(job.source.get(), job.window, o.method);
  long rc = 0;
  {
    ProgressBar bar(isatty(STDERR_FILENO));
    rc = classify(result.get());
  }
  if (rc != 0) {
    try {
      result.Close();
    } catch (const CommandError&) {
    }
    RemoveResult(o.method.output);
    Check(rc, what);
  }
  std::string storage;
  std::vector<CLASSATTINFO> records = ReadClassRecords(result.get(), storage);
  PublishCategoryNames(result.get(), records);
  const std::map<long, long> counts = PixelsPerClass(result.get());
  result.Close();
  if (!o.png.empty()) WriteQuicklook(o.method.output, o.png);
  std::cout << "Wrote " << o.method.output << " (" << records.size() << " classes, sampling interval "
            << job.interval << ")";
  if (!o.png.empty()) std::cout << " and " << o.png;
  std::cout << "\n";
  for (const auto& [value, pixels] : counts) {
    std::string name = value == 255 ? "no data" : value == 0 ? "unclassified" : "";
    for (const CLASSATTINFO& r : records)
      if (r.classNo == value && value != 0) name = RecordName(r);
    std::cout << "  " << value << "\t" << name << "\t" << pixels << " pixels\n";
  }
}

}  // namespace ztcli
