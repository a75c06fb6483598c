#include "postclass_run.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "class_records.h"
#include "host_work_directory.h"
#include "output_files.h"
#include "quicklook.h"
#include "result_image.h"
#include "ztclass/postclass.h"
#include "ztclass/postclass_map.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

// Clump and sieve statistics: six heading lines and block 0, then a line per
// clump.
long ClumpCount(const std::string& statistics) {
  std::ifstream in(statistics, std::ios::binary);
  long lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return std::max(0L, lines - 7);
}

// Eliminate statistics: six heading lines and class 0, then "class\tpixels"
// a class. The highest class that kept pixels.
long HighestClassLeft(const std::string& statistics) {
  std::ifstream in(statistics, std::ios::binary);
  long highest = 0, number = 0;
  for (std::string line; std::getline(in, line);) {
    long value = 0, pixels = 0;
    std::istringstream fields(line);
    if (++number > 7 && fields >> value >> pixels && pixels > 0) highest = std::max(highest, value);
  }
  return highest;
}

long CallLibrary(const PostClassRun& o, void* s, void* r, const Window& w, const char* statistics) {
  const bool fromClassMap = o.statisticsIn.empty();
  if (o.what == "clump")
    return ztClassClump(s, o.band, r, 1, statistics, w.rows, w.columns, w.firstRow, w.firstColumn, o.neighbours);
  if (o.what == "sieve" && fromClassMap)
    return ztClassSieveMap(s, o.band, r, 1, statistics, w.rows, w.columns, w.firstRow, w.firstColumn, o.neighbours,
                           o.threshold);
  if (o.what == "sieve")
    return ztClassSieve(s, o.band, o.statisticsIn.c_str(), r, 1, statistics, w.rows, w.columns, w.firstRow,
                        w.firstColumn, o.threshold);
  if (fromClassMap)
    return ztClassEliminateMap(s, o.band, r, 1, statistics, w.rows, w.columns, w.firstRow, w.firstColumn,
                               o.neighbours, o.threshold);
  return ztClassEliminate(s, o.band, o.statisticsIn.c_str(), r, 1, statistics, w.rows, w.columns, w.firstRow,
                          w.firstColumn, o.threshold);
}

}  // namespace

std::string FailureName(const PostClassRun& o) {
  return o.statisticsIn.empty() ? o.what : o.what + " with the statistics '" + o.statisticsIn + "'";
}

void CheckPostClassRun(const PostClassRun& o) {
  if (!o.statisticsIn.empty() && o.statistics.empty()) throw UsageError("--stats is required with --stats-in");
}

// Without --stats, a result of a narrow --ot has its statistics kept in the
// work directory, where they serve the check of what it must hold: the
// clump count, or the highest class eliminate left (GDAL writes a value
// the type cannot hold as the type's largest).
void RunPostClass(const PostClassRun& o, const PostClassExecute& execute) {
  CheckPostClassRun(o);
  const bool numbersClumps = o.what != "eliminate";
  OutputFiles outputs(o.method.overwrite);
  outputs.AddInput(o.image, true);
  if (!o.statisticsIn.empty()) {
    outputs.AddInput(o.statisticsIn, false);
    RequireReadable(o.statisticsIn, "--stats-in");
  }
  if (!o.classes.empty()) outputs.AddInput(o.classes, true);
  ResultImage result(o.method, outputs);
  std::string statistics = o.statistics.empty() ? "" : outputs.AddOutput(o.statistics, "--stats", false);
  const std::string png = o.png.empty() ? "" : outputs.AddOutput(o.png, "--png", false);

  Dataset source = Dataset::Open(o.image, false);
  if (o.band < 1 || o.band > ztRSGetRasterCount(source.get()))
    throw UsageError("--band " + std::to_string(o.band) + ": '" + o.image + "' has " +
                     std::to_string(ztRSGetRasterCount(source.get())) + " band(s)");
  const Window w = SelectedWindow(o.method, source.get());
  if (o.threshold < 0) throw UsageError("--threshold must be 0 or more");
  if (!numbersClumps && o.threshold > w.Pixels())
    throw UsageError("--threshold " + std::to_string(o.threshold) + " is above the window's " +
                     std::to_string(w.Pixels()) + " pixels");

  HostWorkDirectory work;
  const double most = TypeMaximum(result.Type());
  const bool narrow = most < (numbersClumps ? TypeMaximum(ZTRS_UInt32) : double(ZT_MAX_ELIMINATE_CLASSES));
  if (statistics.empty() && narrow) statistics = work.File("statistics.txt");
  result.Create(source.get(), w);
  execute([&] { return CallLibrary(o, source.get(), result.get(), w, statistics.empty() ? nullptr : statistics.c_str()); });
  // No window has more clumps than pixels: only a narrow --ot needs the count.
  const bool mayOverflow = most < static_cast<double>(w.Pixels());
  if (numbersClumps && mayOverflow && !statistics.empty()) {
    const long clumps = ClumpCount(statistics);
    if (clumps > most)
      throw CommandError(o.what + ": " + std::to_string(clumps) + " clumps do not fit --ot " + o.method.type +
                         " (at most " + FormatNumber(most) + "); choose UInt32");
  }
  if (!numbersClumps && narrow) {
    const long highest = HighestClassLeft(statistics);
    if (highest > most)
      throw CommandError(o.what + ": class " + std::to_string(highest) + " does not fit --ot " + o.method.type +
                         " (at most " + FormatNumber(most) + "); choose a wider type");
  }
  // Eliminate straight from a class map gives that map back cleaned: its
  // records and colours unless --classes names others.
  const bool fromClassMap = !numbersClumps && o.statisticsIn.empty();
  if (!o.classes.empty() || fromClassMap) CopyClasses(o.classes.empty() ? o.image : o.classes, result.get());
  result.Finish();
  if (!png.empty()) WriteQuicklook(result.Written(), png);
  outputs.Commit();
}

}  // namespace ztcli
