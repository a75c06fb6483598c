// clump, sieve, eliminate and accuracy on paths, with the command line's
// results: the same result image, class records, legend and statistics,
// written under temporary names and moved into place only on success.
#include <algorithm>
#include <fstream>
#include <optional>

#include "class_aoi_list.h"
#include "class_records.h"
#include "cli_support.h"
#include "errors.h"
#include "module.h"
#include "output_files.h"
#include "progress.h"
#include "result_image.h"
#include "result_options.h"
#include "same_grid.h"
#include "ztclass/accuracy.h"
#include "ztclass/reports.h"
#include "ztclass/classinfo.h"
#include "ztclass/postclass.h"
#include "ztservices/raster.h"

namespace py = pybind11;

namespace ztpy {

namespace {

struct PostClassCall {
  std::string image, statisticsIn, statistics, classes;
  long band = 1, threshold = 0;
  ztcli::MethodOptions method;
};

// Clump and sieve statistics: six heading lines and block 0, then a line
// per clump.
long ClumpCount(const std::string& statistics) {
  std::ifstream in(statistics, std::ios::binary);
  long lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return std::max(0L, lines - 7);
}

}  // namespace

namespace {

template <typename Call>
void RunPostClass(const PostClassCall& c, const std::string& what, bool numbersClumps, py::object callback,
                  Call call) {
  CallProgress progress(std::move(callback));
  py::gil_scoped_release released;
  ztcli::OutputFiles outputs(c.method.overwrite);
  outputs.AddInput(c.image, true);
  if (!c.statisticsIn.empty()) {
    outputs.AddInput(c.statisticsIn, false);
    ztcli::RequireReadable(c.statisticsIn, "--stats-in");
  }
  if (!c.classes.empty()) outputs.AddInput(c.classes, true);
  ztcli::ResultImage result(c.method, outputs);
  const std::string statistics = outputs.AddOutput(c.statistics, "--stats", false);

  ztcli::Dataset source = ztcli::Dataset::Open(c.image, false);
  if (c.band < 1 || c.band > ztRSGetRasterCount(source.get()))
    throw ztcli::UsageError("band " + std::to_string(c.band) + ": '" + c.image + "' has " +
                            std::to_string(ztRSGetRasterCount(source.get())) + " band(s)");
  const ztcli::Window w = ztcli::SelectedWindow(c.method, source.get());
  if (c.threshold < 0) throw ztcli::UsageError("threshold must be 0 or more");
  result.Create(source.get(), w);
  const long code = RunWithProcessSink(progress, [&] { return call(source.get(), result.get(), w, statistics.c_str()); });
  progress.Finish(code, what);
  if (numbersClumps && ClumpCount(statistics) > ztcli::TypeMaximum(result.Type()))
    throw ztcli::CommandError(what + ": " + std::to_string(ClumpCount(statistics)) + " clumps do not fit type " +
                              c.method.type + "; choose UInt32");
  if (!c.classes.empty()) ztcli::CopyClasses(c.classes, result.get());
  result.Finish();
  outputs.Commit();
}

PostClassCall Call(const std::string& image, const std::string& output, const std::string& statistics, long band,
                   const Result& result) {
  PostClassCall c;
  c.image = image;
  c.statistics = statistics;
  c.band = band;
  c.method = result.Method(output);
  return c;
}

std::string Join(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : ",") + word;
  return text;
}

}  // namespace

void AddPostClass(py::module_& m) {
  m.def(
      "clump",
      [](const std::string& image, const std::string& output, const std::string& stats, int neighbours, long band,
         const Result& result, py::object progress) {
        PostClassCall c = Call(image, output, stats, band, result);
        RunPostClass(c, "clump", true, progress, [&](void* s, void* r, const ztcli::Window& w, const char* path) {
          return ztClassClump(s, c.band, r, 1, path, w.rows, w.columns, w.firstRow, w.firstColumn, neighbours);
        });
      });
  m.def(
      "sieve",
      [](const std::string& image, const std::string& statsIn, const std::string& output, const std::string& stats,
         long threshold, long band, const Result& result, py::object progress) {
        PostClassCall c = Call(image, output, stats, band, result);
        c.statisticsIn = statsIn;
        c.threshold = threshold;
        RunPostClass(c, "sieve", true, progress, [&](void* s, void* r, const ztcli::Window& w, const char* path) {
          return ztClassSieve(s, c.band, c.statisticsIn.c_str(), r, 1, path, w.rows, w.columns, w.firstRow,
                              w.firstColumn, threshold);
        });
      });
  m.def(
      "eliminate",
      [](const std::string& image, const std::string& statsIn, const std::string& output, const std::string& stats,
         long threshold, std::optional<std::string> classes, long band, const Result& result, py::object progress) {
        PostClassCall c = Call(image, output, stats, band, result);
        c.statisticsIn = statsIn;
        c.threshold = threshold;
        c.classes = classes.value_or("");
        RunPostClass(c, "eliminate", false, progress, [&](void* s, void* r, const ztcli::Window& w, const char* path) {
          if (threshold > w.Pixels())
            throw ztcli::UsageError("threshold " + std::to_string(threshold) + " is above the window's " +
                                    std::to_string(w.Pixels()) + " pixels");
          return ztClassEliminate(s, c.band, c.statisticsIn.c_str(), r, 1, path, w.rows, w.columns, w.firstRow,
                                  w.firstColumn, threshold);
        });
      });
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
          const long classes = static_cast<long>(ztcli::ReadClassRecords(classImage.get(), storage).size());
          if (classes == 0)
            throw ztcli::CommandError("'" + image + "' has no class records (" + storage + "): they name its classes");
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
          progress.Finish(code, "accuracy assessment");
          outputs.Commit();
        }
        return py::make_tuple(figures.overallAccuracy, figures.kappa);
      });
}

}  // namespace ztpy
