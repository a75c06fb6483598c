// ztclass clump | sieve | eliminate: post-classification.
#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>

#include "class_records.h"
#include "cli_support.h"
#include "commands/commands.h"
#include "dask_launch.h"
#include "host_work_directory.h"
#include "output_files.h"
#include "progress_bar.h"
#include "quicklook.h"
#include "result_image.h"
#include "result_options.h"
#include "worker_threads.h"
#include "ztclass/classinfo.h"
#include "ztclass/postclass.h"
#include "ztclass/postclass_map.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

struct PostClassOptions {
  std::string image, statisticsIn, statistics, classes, png, dask;
  long band = 1, tile = 1024;
  int neighbours = 8;
  long threshold = 0;
  MethodOptions method;
};

void AddCommon(CLI::App& command, PostClassOptions& o, const char* image, const char* description,
               const char* type) {
  command.add_option(image, o.image, description)->required();
  command.add_option("--band", o.band, "Band of the input image")->capture_default_str();
  auto* stats = command.add_option("--stats", o.statistics, "Statistics file to write");
  if (std::string(image) == "CLASSES") stats->required();
  AddWindowOption(command, o.method);
  AddThreadsOption(command);
  o.method.type = type;
  AddResultOptions(command, o.method);
}

// Clump and sieve statistics: six heading lines and block 0, then a line per
// clump.
long ClumpCount(const std::string& statistics) {
  std::ifstream in(statistics, std::ios::binary);
  long lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return std::max(0L, lines - 7);
}

// Sieve and eliminate take a clump image and its statistics (--stats-in), or
// a class map whose clumps they find themselves; only the former needs
// --stats, the statistics file being the clump image's companion.
void AddClumpsOrClasses(CLI::App& command, PostClassOptions& o) {
  command.add_option("--stats-in", o.statisticsIn, "Statistics of the clump image (without it, IMAGE is a class map)");
  command.add_option("--neighbours", o.neighbours, "4 or 8, for a class map")
      ->check(CLI::IsMember({4, 8}))
      ->capture_default_str();
}

void CheckClumpsOrClasses(const PostClassOptions& o) {
  if (!o.statisticsIn.empty() && o.statistics.empty())
    throw UsageError("--stats is required with --stats-in");
}

// Clump and sieve over a Dask cluster (--dask), tile by tile, by the Python
// package's program with the options resolved here, so that both read them
// alike.
void RunPostClassOnDask(const PostClassOptions& o, const std::string& what) {
  if (o.tile < 1) throw UsageError("--tile must be 1 or more");
  Dataset source = Dataset::Open(o.image, false);
  const Window w = SelectedWindow(o.method, source.get());
  std::vector<std::string> arguments = {what, o.image, "-o", o.method.output, "--dask", o.dask, "--tile",
                                        std::to_string(o.tile), "--of", o.method.format, "--ot", o.method.type,
                                        "--band", std::to_string(o.band), "--neighbours", std::to_string(o.neighbours),
                                        "--srcwin", std::to_string(w.firstColumn), std::to_string(w.firstRow),
                                        std::to_string(w.columns), std::to_string(w.rows)};
  if (!o.statistics.empty()) arguments.insert(arguments.end(), {"--stats", o.statistics});
  if (what == "sieve") {
    arguments.insert(arguments.end(), {"--threshold", std::to_string(o.threshold)});
    if (!o.statisticsIn.empty()) arguments.insert(arguments.end(), {"--stats-in", o.statisticsIn});
  }
  for (const std::string& option : o.method.creationOptions) arguments.insert(arguments.end(), {"--co", option});
  if (o.method.overwrite) arguments.push_back("--overwrite");
  if (Quiet()) arguments.push_back("-q");
  ztcli::RunOnDask(arguments);
}

// --dask and --tile of clump and sieve.
void AddDaskOptions(CLI::App& command, PostClassOptions& o) {
  command.add_option("--dask", o.dask,
                     "Run over a Dask cluster: tcp://HOST:PORT of its scheduler, or local:N worker processes");
  command.add_option("--tile", o.tile, "With --dask, the tile size in pixels")->capture_default_str();
}

// What every post-classification command does around its library call:
// checks first, results under temporary names, a private work directory,
// and the results moved into place only after success. Without --stats, a
// command that numbers clumps keeps its statistics in the work directory,
// where they serve the check of the clump count against --ot.
template <typename Call>
void Run(const PostClassOptions& o, const std::string& what, bool numbersClumps, Call call) {
  if (!o.dask.empty()) return RunPostClassOnDask(o, what);
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
  if (statistics.empty() && numbersClumps && TypeMaximum(result.Type()) < TypeMaximum(ZTRS_UInt32))
    statistics = work.File("clumps.txt");
  result.Create(source.get(), w);
  {
    ProgressBar bar;
    Check(call(source.get(), result.get(), w, statistics.empty() ? nullptr : statistics.c_str()), what);
  }
  // No window has more clumps than pixels: only a narrow --ot needs the count.
  const bool mayOverflow = TypeMaximum(result.Type()) < static_cast<double>(w.Pixels());
  if (numbersClumps && mayOverflow && !statistics.empty()) {
    const long clumps = ClumpCount(statistics);
    if (clumps > TypeMaximum(result.Type()))
      throw CommandError(what + ": " + std::to_string(clumps) + " clumps do not fit --ot " + o.method.type +
                         " (at most " + FormatNumber(TypeMaximum(result.Type())) + "); choose UInt32");
  }
  // Eliminate straight from a class map gives that map back cleaned: its
  // records and colours unless --classes names others.
  const bool fromClassMap = !numbersClumps && o.statisticsIn.empty();
  if (!o.classes.empty() || fromClassMap) CopyClasses(o.classes.empty() ? o.image : o.classes, result.get());
  result.Finish();
  if (!png.empty()) WriteQuicklook(result.Written(), png);
  outputs.Commit();
  if (!Quiet())
    std::cout << "Wrote " << o.method.output << (o.statistics.empty() ? "" : " and " + o.statistics) << "\n";
}

}  // namespace

void AddPostClassCommands(CLI::App& app) {
  auto clump = std::make_shared<PostClassOptions>();
  auto* command = app.add_subcommand("clump", "Number the connected regions of equal class (clumps)");
  AddCommon(*command, *clump, "CLASSES", "Class image", "UInt32");
  command->add_option("--neighbours", clump->neighbours, "4 or 8")->check(CLI::IsMember({4, 8}))->capture_default_str();
  AddDaskOptions(*command, *clump);
  command->callback([clump] {
    Run(*clump, "clump", true, [&](void* s, void* r, const Window& w, const char* statistics) {
      return ztClassClump(s, clump->band, r, 1, statistics, w.rows, w.columns, w.firstRow,
                          w.firstColumn, clump->neighbours);
    });
  });

  auto sieve = std::make_shared<PostClassOptions>();
  command = app.add_subcommand("sieve", "Remove clumps smaller than a threshold and renumber the others");
  AddCommon(*command, *sieve, "IMAGE", "Clump image, or class map", "UInt32");
  AddClumpsOrClasses(*command, *sieve);
  command->add_option("--threshold", sieve->threshold, "Smallest clump that stays, in pixels")->required();
  AddDaskOptions(*command, *sieve);
  command->callback([sieve] {
    CheckClumpsOrClasses(*sieve);
    Run(*sieve, "sieve", true, [&](void* s, void* r, const Window& w, const char* statistics) {
      if (sieve->statisticsIn.empty())
        return ztClassSieveMap(s, sieve->band, r, 1, statistics, w.rows, w.columns, w.firstRow, w.firstColumn,
                               sieve->neighbours, sieve->threshold);
      return ztClassSieve(s, sieve->band, sieve->statisticsIn.c_str(), r, 1, statistics, w.rows,
                          w.columns, w.firstRow, w.firstColumn, sieve->threshold);
    });
  });

  auto eliminate = std::make_shared<PostClassOptions>();
  command = app.add_subcommand("eliminate", "Merge clumps smaller than a threshold into their largest neighbour");
  AddCommon(*command, *eliminate, "IMAGE", "Clump or sieve image, or class map", "Byte");
  AddClumpsOrClasses(*command, *eliminate);
  command->add_option("--threshold", eliminate->threshold, "Smallest clump that is not merged, in pixels")->required();
  command->add_option("--classes", eliminate->classes,
                      "Original class image whose class records and colours the result takes");
  command->add_option("--png", eliminate->png, "Also write a colour quicklook of the class image");
  command->callback([eliminate] {
    CheckClumpsOrClasses(*eliminate);
    Run(*eliminate, "eliminate", false, [&](void* s, void* r, const Window& w, const char* statistics) {
      if (eliminate->statisticsIn.empty())
        return ztClassEliminateMap(s, eliminate->band, r, 1, statistics, w.rows, w.columns, w.firstRow,
                                   w.firstColumn, eliminate->neighbours, eliminate->threshold);
      return ztClassEliminate(s, eliminate->band, eliminate->statisticsIn.c_str(), r, 1,
                              statistics, w.rows, w.columns, w.firstRow, w.firstColumn,
                              eliminate->threshold);
    });
  });
}

}  // namespace ztcli
