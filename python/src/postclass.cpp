// clump, sieve, eliminate and accuracy on paths, with the command line's
// results: the same result image, class records, legend and statistics,
// written under temporary names and moved into place only on success.
#include <algorithm>
#include <functional>
#include <optional>

#include "accuracy_faults.h"
#include "class_aoi_list.h"
#include "class_records.h"
#include "cli_support.h"
#include "errors.h"
#include "module.h"
#include "output_files.h"
#include "postclass_run.h"
#include "progress.h"
#include "report_files.h"
#include "result_options.h"
#include "same_grid.h"
#include "ztclass/accuracy.h"
#include "ztclass/reports.h"
#include "ztclass/result_codes.h"
#include "ztclass/classinfo.h"
#include "ztservices/raster.h"

namespace py = pybind11;

namespace ztpy {

namespace {

ztcli::PostClassRun Run(const char* what, const std::string& image, const std::optional<std::string>& statsIn,
                        const std::string& output, const std::optional<std::string>& stats, long threshold,
                        int neighbours, long band, const Result& result) {
  ztcli::PostClassRun run;
  run.what = what;
  run.image = image;
  run.statisticsIn = statsIn.value_or("");
  run.statistics = stats.value_or("");
  run.threshold = threshold;
  run.neighbours = neighbours;
  run.band = band;
  run.method = result.Method(output);
  return run;
}

// The command line's run, with the caller's progress callback and without
// the GIL.
void RunPostClass(const ztcli::PostClassRun& run, py::object callback) {
  CallProgress progress(std::move(callback));
  py::gil_scoped_release released;
  ztcli::RunPostClass(run, [&](const std::function<long()>& call) {
    progress.Finish(RunWithProcessSink(progress, call), ztcli::FailureName(run));
  });
}

std::string Join(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : ",") + word;
  return text;
}

}  // namespace

void AddPostClass(py::module_& m) {
  m.def("clump", [](const std::string& image, const std::string& output, const std::string& stats, int neighbours,
                    long band, const Result& result, py::object progress) {
    RunPostClass(Run("clump", image, std::nullopt, output, stats, 0, neighbours, band, result), progress);
  }, py::call_guard<QuietGdal>());
  m.def("sieve", [](const std::string& image, std::optional<std::string> statsIn, const std::string& output,
                    std::optional<std::string> stats, long threshold, int neighbours, long band, const Result& result,
                    py::object progress) {
    RunPostClass(Run("sieve", image, statsIn, output, stats, threshold, neighbours, band, result), progress);
  }, py::call_guard<QuietGdal>());
  m.def("eliminate", [](const std::string& image, std::optional<std::string> statsIn, const std::string& output,
                        std::optional<std::string> stats, long threshold, std::optional<std::string> classes,
                        int neighbours, long band, const Result& result, py::object progress) {
    ztcli::PostClassRun run = Run("eliminate", image, statsIn, output, stats, threshold, neighbours, band, result);
    run.classes = classes.value_or("");
    RunPostClass(run, progress);
  }, py::call_guard<QuietGdal>());
  m.def(
      "accuracy",
      [](const std::string& image, const std::string& output, std::optional<std::string> aoi,
         std::optional<std::string> classField, std::optional<std::string> reference,
         std::optional<std::string> points, std::optional<std::string> pointClasses,
         const std::vector<std::string>& tables, bool overwrite, py::object callback) -> py::object {
        const auto has = [&](const char* name) { return std::find(tables.begin(), tables.end(), name) != tables.end(); };
        for (const std::string& t : tables)
          if (t != "matrix" && t != "class" && t != "overall" && t != "kappa")
            throw ztcli::UsageError("tables are matrix, class, overall and kappa, got '" + t + "' in " + Join(tables));
        if (points.has_value() != pointClasses.has_value())
          throw ztcli::UsageError("check points need both points and point_classes");
        CallProgress progress(std::move(callback));
        ZTAccuracyFigures figures{};
        std::vector<long> matrix, referenceCounts, mapCounts;
        std::vector<double> producer, user;
        {
          py::gil_scoped_release released;
          ztcli::OutputFiles outputs(overwrite);
          outputs.AddInput(image, true);
          for (const auto* input : {&aoi, &reference, &points, &pointClasses})
            if (*input) outputs.AddInput(**input, input == &reference);
          const std::string report = outputs.AddOutput(output, "-o", false);
          ztcli::Dataset classImage = ztcli::Dataset::Open(image, false);
          std::string storage;
          const std::vector<CLASSATTINFO> records = ztcli::ReadRecordsInValueOrder(classImage.get(), image, storage);
          const long classes = static_cast<long>(records.size());
          if (classes == 0)
            throw ztcli::CommandError("'" + image + "' has no class records (" + storage + "): they name its classes");
          if (points) ztcli::RequireCheckPointGrid(classImage.get(), image);
          void* referenceImage = nullptr;
          std::optional<ztcli::Dataset> referenceDataset;
          std::optional<ztcli::ClassAoiList> aois;
          if (!points) {
            referenceImage = classImage.get();
            if (reference) {
              referenceDataset.emplace(ztcli::Dataset::Open(*reference, false));
              ztcli::RequireSameGrid(classImage.get(), referenceDataset->get(), *reference);
              referenceImage = referenceDataset->get();
            }
            aois.emplace(referenceImage, aoi.value_or(""), classField.value_or(""), false);
            ztcli::RequireReferenceClasses(aois->Aois().size(), records.size());
          }
          const long code = RunWithProcessSink(progress, [&] {
            const size_t n = static_cast<size_t>(classes);
            matrix.assign((n + 1) * n, 0);
            referenceCounts.assign(n, 0);
            mapCounts.assign(n + 1, 0);
            producer.assign(n, 0.0);
            user.assign(n, 0.0);
            figures = {matrix.data(), referenceCounts.data(), mapCounts.data(), producer.data(), user.data(), 0, 0.0, 0.0};
            return ztAccuracyFigures(classImage.get(), report.c_str(), points ? points->c_str() : nullptr,
                                     pointClasses ? pointClasses->c_str() : nullptr, referenceImage, has("matrix"),
                                     has("class"), has("overall"), has("kappa"), classes, &figures);
          });
          progress.Finish(code, "accuracy assessment",
                          code == RC_OK ? "" : ztcli::AccuracyFault(code, points.has_value(), classImage.get(), records,
                                                                    pointClasses.value_or(""), points.value_or("")));
          ztcli::RequireSamples(figures, records.size(), image);
          CommitUnlessStopped(outputs);
        }
        return py::make_tuple(figures.overallAccuracy, figures.kappa);
      },
      py::call_guard<QuietGdal>());
}

}  // namespace ztpy
