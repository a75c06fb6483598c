// ztclass accuracy: a class image against reference polygons or check
// points; the report (and on request its figures as JSON or CSV), then the
// overall accuracy and Kappa on one line.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "accuracy_faults.h"
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
      const std::string why = AccuracyFault(rc, !reference, classImage, records, pointClasses, points);
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
  if (fileMode) RequireCheckPointGrid(classImage.get(), o.image);
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
    RequireReferenceClasses(aois->Aois().size(), records.size());
  }
  std::vector<std::string> names;
  for (const CLASSATTINFO& record : records) names.push_back(RecordName(record));
  AccuracyTable table(names);
  for (const CLASSATTINFO& record : records) table.values.push_back(record.classNo);
  assessment.Run(report, tables, table);
  RequireSamples(table.figures, records.size(), o.image);
  if (!json.empty()) WriteAccuracyJson(json, table);
  if (!csv.empty()) WriteAccuracyCsv(csv, table);
  outputs.Commit();
  if (Quiet()) return;
  for (const std::string* written : {&o.output, &o.json, &o.csv})
    if (!written->empty()) std::cout << "Wrote " << *written << "\n";
  std::cout << "Overall accuracy " << TwoDecimals(table.figures.overallAccuracy) << ", Kappa "
            << (std::isnan(table.figures.kappa)
                    ? "undefined (every sample is of one class, in the reference and on the map: chance agreement is 1)"
                    : TwoDecimals(table.figures.kappa))
            << "\n";
}

}  // namespace

void AddAccuracyCommand(CLI::App& app) {
  auto o = std::make_shared<AccuracyOptions>();
  auto* command = app.add_subcommand(
      "accuracy", "Accuracy of a class image against reference polygons or check points: error matrix, class "
                  "accuracy, overall accuracy and Kappa");
  command->add_option("CLASS_IMAGE", o->image, "Class image with class records")->required();
  command->add_option("-o,--output", o->output, "Report to write (UTF-8 text)")->required();
  command->add_flag("--overwrite", o->overwrite, "Replace results that exist already");
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
