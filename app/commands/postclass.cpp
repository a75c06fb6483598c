// ztclass clump | sieve | eliminate: post-classification.
#include <unistd.h>

#include <iostream>
#include <memory>

#include "class_records.h"
#include "cli_support.h"
#include "commands/commands.h"
#include "progress_bar.h"
#include "quicklook.h"
#include "result_options.h"
#include "ztclass/classinfo.h"
#include "ztclass/postclass.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

struct PostClassOptions {
  std::string image, statisticsIn, statistics, classes, png;
  long band = 1;
  int neighbours = 8;
  long threshold = 0;
  MethodOptions method;
};

void AddCommon(CLI::App& command, PostClassOptions& o, const char* image, const char* type) {
  command.add_option(image, o.image, std::string(image) == "CLASSES" ? "Class image" : "Clump image")->required();
  command.add_option("--band", o.band, "Band of the input image")->capture_default_str();
  command.add_option("--stats", o.statistics, "Statistics file to write")->required();
  AddWindowOption(command, o.method);
  o.method.type = type;
  AddResultOptions(command, o.method);
}

// Copies the class records and colour table of the original class image, so
// that the cleaned map opens as the original did.
void CopyClasses(const std::string& original, void* result) {
  Dataset classes = Dataset::Open(original, false);
  std::string storage;
  std::vector<CLASSATTINFO> records = ReadClassRecords(classes.get(), storage);
  if (!records.empty())
    Check(ztRSWriteClassInfo(result, static_cast<long>(records.size()), records.data()), "copying the class records");
  if (void* table = ztRSGetDatasetColorTable(classes.get()))
    ztRSSetRasterColorTable(ztRSGetRasterBand(result, 1), table);
  PublishCategoryNames(result, records);
}

template <typename Call>
void Run(const PostClassOptions& o, const std::string& what, Call call) {
  Dataset source = Dataset::Open(o.image, false);
  const Window w = ParseWindow(o.method.window, source.get());
  Dataset result = CreateResult(source.get(), w, o.method);
  {
    ProgressBar bar(isatty(STDERR_FILENO));
    Check(call(source.get(), result.get(), w), what);
  }
  if (!o.classes.empty()) CopyClasses(o.classes, result.get());
  result.Close();
  if (!o.png.empty()) WriteQuicklook(o.method.output, o.png);
  std::cout << "Wrote " << o.method.output << " and " << o.statistics << "\n";
}

}  // namespace

void AddPostClassCommands(CLI::App& app) {
  auto clump = std::make_shared<PostClassOptions>();
  auto* command = app.add_subcommand("clump", "Number the connected regions of equal class (clumps)");
  AddCommon(*command, *clump, "CLASSES", "UInt32");
  command->add_option("--neighbours", clump->neighbours, "4 or 8")->check(CLI::IsMember({4, 8}))->capture_default_str();
  command->callback([clump] {
    Run(*clump, "clump", [&](void* s, void* r, const Window& w) {
      return ztClassClump(s, clump->band, r, 1, clump->statistics.c_str(), w.rows, w.columns, w.firstRow,
                          w.firstColumn, clump->neighbours);
    });
  });

  auto sieve = std::make_shared<PostClassOptions>();
  command = app.add_subcommand("sieve", "Remove clumps smaller than a threshold and renumber the others");
  AddCommon(*command, *sieve, "CLUMPS", "UInt32");
  command->add_option("--stats-in", sieve->statisticsIn, "Statistics of the clump image")->required();
  command->add_option("--threshold", sieve->threshold, "Smallest clump that stays, in pixels")->required();
  command->callback([sieve] {
    Run(*sieve, "sieve", [&](void* s, void* r, const Window& w) {
      return ztClassSieve(s, sieve->band, sieve->statisticsIn.c_str(), r, 1, sieve->statistics.c_str(), w.rows,
                          w.columns, w.firstRow, w.firstColumn, sieve->threshold);
    });
  });

  auto eliminate = std::make_shared<PostClassOptions>();
  command = app.add_subcommand("eliminate", "Merge clumps smaller than a threshold into their largest neighbour");
  AddCommon(*command, *eliminate, "CLUMPS", "Byte");
  command->add_option("--stats-in", eliminate->statisticsIn, "Statistics of the clump or sieve image")->required();
  command->add_option("--threshold", eliminate->threshold, "Smallest clump that is not merged, in pixels")->required();
  command->add_option("--classes", eliminate->classes,
                      "Original class image whose class records and colours the result takes");
  command->add_option("--png", eliminate->png, "Also write a colour quicklook of the class image");
  command->callback([eliminate] {
    Run(*eliminate, "eliminate", [&](void* s, void* r, const Window& w) {
      return ztClassEliminate(s, eliminate->band, eliminate->statisticsIn.c_str(), r, 1,
                              eliminate->statistics.c_str(), w.rows, w.columns, w.firstRow, w.firstColumn,
                              eliminate->threshold);
    });
  });
}

}  // namespace ztcli
