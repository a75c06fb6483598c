// ztclass samples IMAGE --aoi FILE --bands 1,2,3 [--purify K] [-o cells.csv]
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "class_aoi_list.h"
#include "cli_support.h"
#include "commands/commands.h"
#include "output_files.h"
#include "progress_bar.h"
#include "result_options.h"
#include "terminal_text.h"
#include "ztclass/samples.h"
#include "ztservices/progress.h"

namespace ztcli {

namespace {

struct SamplesOptions {
  std::string image, aoiFile, classField, output;
  bool aoiPixels = false;
  MethodOptions method;
  std::optional<double> purify;
  bool overwrite = false;
};

// A cell set of the library, released on scope exit.
struct Cells {
  AOICELL* cells = nullptr;
  long count = 0;
  ~Cells() { ztFreeAOICellSet(cells, count); }
};

void WriteCsv(std::ostream& out, const Cells& cells, const std::vector<AOI>& aois,
              const std::vector<long>& bands) {
  out << "class,name,row,column";
  for (long band : bands) out << ",band" << band;
  out << '\n';
  for (long i = 0; i < cells.count; ++i) {
    const AOICELL& cell = cells.cells[i];
    const AOI& aoi = aois[cell.classNo - 1];
    std::string name(aoi.name, strnlen(aoi.name, sizeof aoi.name));
    if (name.find_first_of(",\"\n") != std::string::npos) {
      for (size_t p = 0; (p = name.find('"', p)) != std::string::npos; p += 2) name.insert(p, "\"");
      name = '"' + name + '"';
    }
    out << cell.classNo << ',' << name << ',' << cell.row << ',' << cell.column;
    for (size_t b = 0; b < bands.size(); ++b) out << ',' << FormatNumber(cell.values[b]);
    out << '\n';
  }
}

void RunSamples(const SamplesOptions& o) {
  if (o.purify && (!std::isfinite(*o.purify) || *o.purify < 0))
    throw UsageError("--purify must be a finite number of at least 0");
  OutputFiles outputs(o.overwrite);
  outputs.AddInput(o.image, true);
  if (!o.aoiFile.empty()) outputs.AddInput(o.aoiFile, false);
  const std::string csv = o.output.empty() ? "" : outputs.AddOutput(o.output, "-o", false);
  Dataset image = Dataset::Open(o.image, false);
  std::vector<long> bands = SelectedBands(o.method, image.get());
  ClassAoiList list(image.get(), o.aoiFile, o.classField, o.aoiPixels);
  std::vector<AOI>& aois = list.Aois();
  if (aois.empty()) throw CommandError(NoClassAoiReason(o.image, o.aoiFile));

  Cells raw, purified;
  {
    ProgressBar bar;
    StartProgress();
    long rc = ztGetAOICellSet(image.get(), bands.data(), static_cast<long>(bands.size()), aois.data(),
                              static_cast<long>(aois.size()), &raw.cells, raw.count);
    if (rc == 0 && o.purify)
      rc = ztPurifyAOICellSet(raw.cells, raw.count, static_cast<long>(bands.size()),
                              static_cast<long>(aois.size()), &purified.cells, purified.count, *o.purify);
    EndProgress();
    Check(rc, "gathering the training cells");
  }

  const Cells& cells = o.purify ? purified : raw;
  if (o.output.empty()) {
    WriteCsv(DataOut(), cells, aois, bands);
    return;
  }
  errno = 0;
  std::ofstream out(csv);
  if (!out) throw CannotWrite("'" + o.output + "'", errno ? ErrnoReason(errno) : "");
  WriteCsv(out, cells, aois, bands);
  out.close();
  if (!out) throw CannotWrite("'" + o.output + "'", errno ? ErrnoReason(errno) : "");
  outputs.Commit();
  if (!Quiet()) std::cerr << cells.count << " cell(s) written to " << o.output << "\n";
}

}  // namespace

void AddSamplesCommand(CLI::App& app) {
  auto* command = app.add_subcommand("samples", "Write the training cells of the class AOIs as CSV");
  auto o = std::make_shared<SamplesOptions>();
  command->add_option("IMAGE", o->image, "Raster image")->required();
  command->add_option("--aoi", o->aoiFile,
                      "Vector file of training polygons (default: IMAGE.aoi.gpkg or IMAGE.aoi.geojson)");
  command->add_option("--class-field", o->classField,
                      "Field naming the class (default: class, classname, name or label)");
  AddAoiPixelsFlag(*command, o->aoiPixels);
  AddBandOption(*command, o->method);
  command->add_option("--purify", o->purify,
                      "Keep only cells within this many standard deviations of their class mean in every band");
  command->add_option("-o,--output", o->output, "CSV file (default: standard output)");
  command->add_flag("--overwrite", o->overwrite, "Replace the CSV file when it exists already");
  command->callback([o] { RunSamples(*o); });
}

}  // namespace ztcli
