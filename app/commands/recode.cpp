// ztclass recode SOURCE RESULT --map old=new,...
#include <gdal.h>

#include <iostream>
#include <memory>
#include <string>
#include <tuple>

#include "cli_support.h"
#include "commands/commands.h"
#include "output_files.h"
#include "ztclass/classinfo.h"
#include "ztservices/raster.h"

namespace ztcli {

namespace {

struct RecodeOptions {
  std::string source, result, map;
};

void RunRecode(const RecodeOptions& o) {
  std::vector<unsigned char> from, to;
  ParseValueMap(o.map, from, to);
  OutputFiles outputs(true);
  outputs.AddInput(o.source, true);
  Dataset source = Dataset::Open(o.source, false);
  {
    Dataset target = Dataset::Open(o.result, false);
    for (const auto& [role, path, image] : {std::tuple{"SOURCE", o.source, source.get()},
                                            std::tuple{"RESULT", o.result, target.get()}}) {
      const long bands = ztRSGetRasterCount(image);
      if (bands != 1)
        throw UsageError(std::string("recode: ") + role + " '" + path + "' has " + std::to_string(bands) +
                         " bands; SOURCE and RESULT must be single-band class images");
    }
    if (ztRSGetRasterXSize(source.get()) != ztRSGetRasterXSize(target.get()) ||
        ztRSGetRasterYSize(source.get()) != ztRSGetRasterYSize(target.get()))
      throw UsageError("recode: SOURCE is " + std::to_string(ztRSGetRasterXSize(source.get())) + " x " +
                       std::to_string(ztRSGetRasterYSize(source.get())) + " pixels, RESULT " +
                       std::to_string(ztRSGetRasterXSize(target.get())) + " x " +
                       std::to_string(ztRSGetRasterYSize(target.get())) + "; they must be the same size");
  }
  const std::string staged = outputs.Stage(o.result, "RESULT");
  Dataset result = Dataset::Open(staged, true);
  Check(ztSaveEditedCls2Zti(source.get(), from.data(), result.get(), to.data(), static_cast<long>(from.size())),
        "recoding");
  // Statistics that the image carries (inside the file or beside it) are
  // those of the old pixels and would mislead whatever reads them.
  GDALDatasetClearStatistics(static_cast<GDALDatasetH>(ztRSGetGDALDataset(result.get())));
  result.Close(o.result);
  outputs.Commit();
  if (!Quiet())
    std::cout << "Recoded " << from.size() << " value(s) of " << o.source << " into " << o.result << "\n";
}

}  // namespace

void AddRecodeCommand(CLI::App& app) {
  auto* command = app.add_subcommand(
      "recode", "Write new class values into RESULT where SOURCE has the listed old values");
  auto o = std::make_shared<RecodeOptions>();
  command->add_option("SOURCE", o->source, "Edited class image")->required();
  command->add_option("RESULT", o->result, "Class image to update (same size)")->required();
  command->add_option("--map", o->map, "Value changes old=new,old=new,... (values 0..255)")->required();
  command->callback([o] { RunRecode(*o); });
}

}  // namespace ztcli
