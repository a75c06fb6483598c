// ztclass clump | sieve | eliminate: post-classification.
#include <iostream>
#include <memory>

#include "cli_support.h"
#include "commands/commands.h"
#include "dask_launch.h"
#include "postclass_run.h"
#include "progress_bar.h"
#include "result_options.h"
#include "worker_threads.h"
#include "written_files.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

struct PostClassOptions : PostClassRun {
  std::string dask;
  long tile = kClumpTile;
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

// Sieve and eliminate take a clump image and its statistics (--stats-in), or
// a class map whose clumps they find themselves; only the former needs
// --stats, the statistics file being the clump image's companion.
void AddClumpsOrClasses(CLI::App& command, PostClassOptions& o) {
  command.add_option("--stats-in", o.statisticsIn, "Statistics of the clump image (without it, IMAGE is a class map)");
  command
      .add_option("--neighbours", o.neighbours,
                  "Neighbours that join a pixel to a clump: 4 (sides) or 8 (sides and corners), for a class map")
      ->check(CLI::IsMember({4, 8}))
      ->capture_default_str();
}

// Clump and sieve over a Dask cluster (--dask), tile by tile, by the Python
// package's program with the options resolved here, so that both read them
// alike.
void RunPostClassOnDask(const PostClassOptions& o) {
  CheckPostClassRun(o);
  const std::string& what = o.what;
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

// In process, by the run the Python package shares, with a progress bar.
void Run(const PostClassOptions& o) {
  if (!o.dask.empty()) return RunPostClassOnDask(o);
  BoundGdalCacheForOnePass();
  RunPostClass(o, [&](const std::function<long()>& call) {
    ProgressBar bar;
    Check(call(), FailureName(o));
  });
  if (!Quiet())
    std::cout << "Wrote " << o.method.output << AlsoWritten({o.statistics, o.png}) << "\n";
}

}  // namespace

void AddPostClassCommands(CLI::App& app) {
  auto clump = std::make_shared<PostClassOptions>();
  clump->what = "clump";
  auto* command = app.add_subcommand("clump", "Number the connected regions of equal class (clumps)");
  AddCommon(*command, *clump, "CLASSES", "Class image", "UInt32");
  command
      ->add_option("--neighbours", clump->neighbours,
                   "Neighbours that join a pixel to a clump: 4 (sides) or 8 (sides and corners)")
      ->check(CLI::IsMember({4, 8}))
      ->capture_default_str();
  AddDaskOptions(*command, *clump);
  command->callback([clump] { Run(*clump); });

  auto sieve = std::make_shared<PostClassOptions>();
  sieve->what = "sieve";
  command = app.add_subcommand("sieve", "Remove clumps smaller than a threshold and renumber the others");
  AddCommon(*command, *sieve, "IMAGE", "Clump image, or class map", "UInt32");
  AddClumpsOrClasses(*command, *sieve);
  command->add_option("--threshold", sieve->threshold, "Smallest clump that stays, in pixels")->required();
  AddDaskOptions(*command, *sieve);
  command->callback([sieve] { Run(*sieve); });

  auto eliminate = std::make_shared<PostClassOptions>();
  eliminate->what = "eliminate";
  command = app.add_subcommand("eliminate", "Merge clumps smaller than a threshold into their largest neighbour");
  AddCommon(*command, *eliminate, "IMAGE", "Clump or sieve image, or class map", "Byte");
  AddClumpsOrClasses(*command, *eliminate);
  command->add_option("--threshold", eliminate->threshold, "Smallest clump that is not merged, in pixels")->required();
  command->add_option("--classes", eliminate->classes,
                      "Original class image whose class records and colours the result takes");
  command->add_option("--png", eliminate->png, "Also write a colour quicklook of the class image");
  command->callback([eliminate] { Run(*eliminate); });
}

}  // namespace ztcli
