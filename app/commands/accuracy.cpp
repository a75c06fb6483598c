// ztclass accuracy: a class image against reference polygons or check
// points; the report (and on request its figures as JSON or CSV), then the
// overall accuracy and Kappa on one line.
#include <gdal.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include "class_aoi_list.h"
#include "class_records.h"
#include "cli_support.h"
#include "commands/commands.h"
#include "output_files.h"
#include "progress_bar.h"
#include "report_files.h"
#include "same_grid.h"
#include "ztclass/reports.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

struct AccuracyOptions {
  std::string image, output, aoiFile, classField, reference, points, pointClasses;
  bool aoiPixels = false;
  std::string tables = "matrix,class,overall,kappa";
  std::string json, csv;
  bool overwrite = false;
};

struct Tables {
  bool matrix = false, classAccuracy = false, overall = false, kappa = false;
};

Tables ParseTables(const std::string& text) {
  Tables t;
  std::istringstream in(text);
  for (std::string name; std::getline(in, name, ',');) {
    if (name == "matrix") t.matrix = true;
    else if (name == "class") t.classAccuracy = true;
    else if (name == "overall") t.overall = true;
    else if (name == "kappa") t.kappa = true;
    else if (!name.empty())
      throw UsageError("--tables takes matrix, class, overall and kappa, got '" + name + "'");
  }
  return t;
}

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

// The first entry of a check-point file that the library cannot take,
// among those its count declares: one missing, or a text that is no number
// (classes: no whole number; coordinates: no finite one) as the library
// reads numbers, under the user's locale and up to a terminating NUL; or a
// file above the size the library reads. Empty when the file cannot be read, its count is none the
// library takes, or it has no such entry.
std::string CheckPointFault(const std::string& path, bool classes) {
  constexpr size_t kMaxText = size_t(1) << 20;
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::string text(kMaxText + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxText) return "'" + path + "' holds more than 1 MiB, more than any 500 check points take";
  text.resize(std::min(text.size(), text.find('\0')));
  static const locale_t user = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  const locale_t numbers = user ? user : uselocale(static_cast<locale_t>(0));
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
    if (!whole(token, classes) || (!classes && !finite(token)))
      return "'" + path + "', line " + std::to_string(line) + ", entry " + std::to_string(entries + 1) + ": '" +
             token.substr(0, 40) + (token.size() > 40 ? "..." : "") + "' is " +
             (classes ? "no whole class number" : whole(token, false) ? "no finite number" : "no number");
    ++entries;
  }
}

// What a failure of the assessment means in the chosen mode.
std::string Explanation(long resultCode, bool fileMode, const std::vector<CLASSATTINFO>& records,
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
        for (const std::string& fault : {CheckPointFault(classFile, true), CheckPointFault(pointFile, false)})
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

struct Assessment {
  void* classImage;
  void* reference;  // null in file mode
  std::string points, pointClasses;
  std::vector<CLASSATTINFO> records;

  void Run(const std::string& report, const Tables& t, AccuracyTable& table) const {
    long rc;
    {
      ProgressBar bar;
      rc = ztAccuracyFigures(classImage, report.c_str(), reference ? nullptr : points.c_str(),
                             reference ? nullptr : pointClasses.c_str(), reference, t.matrix, t.classAccuracy,
                             t.overall, t.kappa, static_cast<long>(records.size()), table.Figures());
    }
    try {
      Check(rc, "accuracy assessment");
    } catch (const CommandError& error) {
      const std::string why = Explanation(rc, !reference, records, pointClasses, points);
      throw CommandError(error.what() + (why.empty() ? "" : "\n(" + why + ")"), error.status);
    }
  }
};

void RunAccuracy(const AccuracyOptions& o) {
  const Tables tables = ParseTables(o.tables);
  OutputFiles outputs(o.overwrite);
  outputs.AddInput(o.image, true);
  for (const std::string* input : {&o.aoiFile, &o.reference, &o.points, &o.pointClasses})
    if (!input->empty()) outputs.AddInput(*input, input == &o.reference);
  const std::string report = outputs.AddOutput(o.output, "-o", false);
  const std::string json = o.json.empty() ? "" : outputs.AddOutput(o.json, "--json", false);
  const std::string csv = o.csv.empty() ? "" : outputs.AddOutput(o.csv, "--csv", false);
  Dataset classImage = Dataset::Open(o.image, false);
  std::string storage;
  const std::vector<CLASSATTINFO> records = ReadRecordsInValueOrder(classImage.get(), o.image, storage);
  if (records.empty())
    throw CommandError("'" + o.image + "' has no class records (" + storage +
                       "): they name its classes; give them with 'ztclass classes write'");
  const bool fileMode = !o.points.empty();
  double transform[6];
  if (fileMode &&
      GDALGetGeoTransform(static_cast<GDALDatasetH>(ztRSGetGDALDataset(classImage.get())), transform) != CE_None)
    throw CommandError("'" + o.image + "' has no georeferencing: check points are given in map coordinates");
  Assessment assessment{classImage.get(), nullptr, o.points, o.pointClasses, records};
  std::optional<Dataset> reference;
  std::unique_ptr<ClassAoiList> aois;
  if (!fileMode) {
    assessment.reference = classImage.get();
    if (!o.reference.empty()) {
      reference.emplace(Dataset::Open(o.reference, false));
      RequireSameGrid(classImage.get(), reference->get(), o.reference);
      assessment.reference = reference->get();
    }
    aois = std::make_unique<ClassAoiList>(assessment.reference, o.aoiFile, o.classField, o.aoiPixels);
    if (aois->Aois().empty()) throw CommandError("no reference class AOI: give reference polygons with --aoi");
    if (aois->Aois().size() != records.size())
      throw CommandError("the reference polygons hold " + std::to_string(aois->Aois().size()) +
                         " classes, the class image " + std::to_string(records.size()) +
                         ": class k of the polygons is compared with class k of the image");
  }
  std::vector<std::string> names;
  for (const CLASSATTINFO& record : records) names.push_back(RecordName(record));
  AccuracyTable table(names);
  for (const CLASSATTINFO& record : records) table.values.push_back(record.classNo);
  assessment.Run(report, tables, table);
  RequireSamples(table.figures, o.image);
  if (!json.empty()) WriteAccuracyJson(json, table);
  if (!csv.empty()) WriteAccuracyCsv(csv, table);
  outputs.Commit();
  if (Quiet()) return;
  for (const std::string* written : {&o.output, &o.json, &o.csv})
    if (!written->empty()) std::cout << "Wrote " << *written << "\n";
  std::cout << "Overall accuracy " << TwoDecimals(table.figures.overallAccuracy) << ", Kappa "
            << TwoDecimals(table.figures.kappa) << "\n";
}

}  // namespace

void AddAccuracyCommand(CLI::App& app) {
  auto o = std::make_shared<AccuracyOptions>();
  auto* command = app.add_subcommand(
      "accuracy", "Accuracy of a class image against reference polygons or check points: error matrix, class "
                  "accuracy, overall accuracy and Kappa");
  command->add_option("CLASS_IMAGE", o->image, "Class image with class records")->required();
  command->add_option("-o,--output", o->output, "Report to write (UTF-8 text)")->required();
  command->add_flag("--overwrite", o->overwrite, "Replace an existing report");
  auto* aoi = command->add_option(
      "--aoi", o->aoiFile,
      "Reference polygons, class k compared with class k of the image (default: the reference image's "
      "IMAGE.aoi.gpkg or IMAGE.aoi.geojson)");
  auto* field = command->add_option("--class-field", o->classField,
                                    "Field naming the class (default: class, classname, name or label)");
  AddAoiPixelsFlag(*command, o->aoiPixels);
  auto* reference = command->add_option(
      "--reference", o->reference,
      "Image the polygons are attached to, of the class image's pixel grid (default: the class image)");
  auto* points = command->add_option("--points", o->points,
                                     "Check-point coordinates: a count, then that many x y pairs in map units");
  auto* classes = command->add_option("--point-classes", o->pointClasses,
                                      "Reference classes of the check points: a count, then that many classes");
  points->needs(classes);
  classes->needs(points);
  points->excludes(aoi, field, reference);
  classes->excludes(aoi, field, reference);
  command->add_option("--json", o->json,
                      "Also write the figures as JSON: error matrix, per class producer's and user's accuracy and "
                      "counts, overall accuracy, Kappa, sample count");
  command->add_option("--csv", o->csv, "Also write the error matrix and the figures as CSV");
  command->add_option("--tables", o->tables, "Tables to write, of matrix, class, overall, kappa")
      ->capture_default_str();
  command->callback([o] { RunAccuracy(*o); });
}

}  // namespace ztcli
