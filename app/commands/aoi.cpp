// ztclass aoi IMAGE --aoi FILE
#include <cstring>
#include <iostream>
#include <memory>

#include "class_aoi_list.h"
#include "cli_support.h"
#include "commands/commands.h"
#include "ztclass/samples.h"

namespace ztcli {

namespace {

struct AoiOptions {
  std::string image, aoiFile, classField;
  bool aoiPixels = false;
};

void RunAoi(const AoiOptions& o) {
  Dataset image = Dataset::Open(o.image, false);
  ClassAoiList list(image.get(), o.aoiFile, o.classField, o.aoiPixels);
  std::vector<AOI>& aois = list.Aois();
  if (aois.empty()) {
    std::cout << "No class AOI\n";
    return;
  }
  std::vector<long> pixels(aois.size() + 1, 0);
  long firstBand = 1;
  AOICELL* cells = nullptr;
  long count = 0;
  Check(ztGetAOICellSet(image.get(), &firstBand, 1, aois.data(), static_cast<long>(aois.size()), &cells, count),
        "gathering the AOI pixels");
  for (long i = 0; i < count; ++i) ++pixels[cells[i].classNo];
  ztFreeAOICellSet(cells, count);

  std::cout << "No\tColour\tPolygons\tPixels\tName\n";
  for (size_t k = 0; k < aois.size(); ++k) {
    const AOI& a = aois[k];
    std::cout << k + 1 << '\t' << FormatColour(a.red, a.green, a.blue) << '\t' << a.polygonCount
              << '\t' << pixels[k + 1] << '\t' << std::string(a.name, strnlen(a.name, sizeof a.name))
              << '\n';
  }
}

}  // namespace

void AddAoiCommand(CLI::App& app) {
  auto* command = app.add_subcommand("aoi", "List the class AOIs of an image as the library sees them");
  auto o = std::make_shared<AoiOptions>();
  command->add_option("IMAGE", o->image, "Raster image")->required();
  command->add_option("--aoi", o->aoiFile,
                      "Vector file of training polygons (default: IMAGE.aoi.gpkg or IMAGE.aoi.geojson)");
  command->add_option("--class-field", o->classField,
                      "Field naming the class (default: class, classname, name or label)");
  AddAoiPixelsFlag(*command, o->aoiPixels);
  command->callback([o] { RunAoi(*o); });
}

}  // namespace ztcli
