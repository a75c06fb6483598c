// ztclass unmix: linear spectral unmixing of every pixel into the fractions
// of the classes of its training polygons.
#include <cstring>
#include <iostream>
#include <memory>

#include "classify_support.h"
#include "commands/commands.h"
#include "fraction_image.h"
#include "written_files.h"
#include "ztclass/result_codes.h"
#include "ztclass/unmixing.h"

namespace ztcli {

namespace {

bool IsFloating(ZTRSDataType type) { return type == ZTRS_Float32 || type == ZTRS_Float64; }

// What a failure of the decomposition means for this image and these classes.
std::string Explanation(long resultCode, long classes, long bands) {
  const std::string k = std::to_string(classes), b = std::to_string(bands);
  switch (resultCode) {
    case RC_SINGULAR_MATRIX:
      if (classes > bands)
        return "with more classes (" + k + ") than bands (" + b +
               ") the weighted solver's normal matrix has a rank of at most " + b +
               " and is singular by construction: use at least as many bands as classes";
      return "the endmember spectra (mean spectra of the classes) are linearly dependent: merge classes "
             "whose spectra are alike or combinations of others, or use other bands";
    case RC_OUT_OF_MEMORY:
      return "besides running out of memory, this is what an endmember spectrum of 0 in every band gives";
    case RC_TOO_FEW_SAMPLES:
      return "a class has no training pixel inside the image (no-data pixels and pixels beyond one standard "
             "deviation of their class do not count)";
    default:
      return "";
  }
}

void RunUnmix(const ClassifyOptions& o) {
  Classification job(o, Training::kWholeImage);
  const long classes = job.ClassCount(), bands = job.BandCount();
  if (!IsFloating(ParseDataType(o.method.type)) && !Quiet())
    std::cerr << "ztclass: warning: --ot " << o.method.type
              << " truncates every fraction to 0 or 1; Float32 keeps them\n";
  const Window& w = job.GetWindow();
  long rc = RC_OK;
  Classification::Image fractions;
  fractions.bands = classes;
  fractions.describe = [&](void* result) { NameFractionBands(result, job.ClassAois()); };
  fractions.picture = [&](const std::string& written, const std::string& png) {
    WriteFractionComposite(written, png, classes);
  };
  try {
    job.Run("linear spectral unmixing", [&](void* result) {
      rc = ztLinearDecompose(job.Source(), const_cast<long*>(job.Bands().data()), bands, job.ClassAois().data(),
                             classes, result, w.rows, w.columns, w.firstRow, w.firstColumn);
      return rc;
    }, fractions);
  } catch (const CommandError& error) {
    const std::string why = rc == RC_OK ? "" : Explanation(rc, classes, bands);
    throw CommandError(error.what() + (why.empty() ? "" : "\n(" + why + ")"), error.status);
  }
  if (Quiet()) return;
  std::cout << "Wrote " << o.method.output << " (" << classes << " fractions:";
  for (const AOI& aoi : job.ClassAois()) std::cout << " " << std::string(aoi.name, strnlen(aoi.name, sizeof aoi.name));
  std::cout << ")" << AlsoWritten({o.png}) << "\n";
}

}  // namespace

void AddUnmixCommand(CLI::App& app) {
  auto options = std::make_shared<ClassifyOptions>();
  options->method.type = "Float32";
  auto* command = app.add_subcommand(
      "unmix", "Linear spectral unmixing: one fraction band per class of the training polygons, in their order");
  AddClassifyOptions(*command, *options);
  command->get_option("IMAGE")->description("Multi-band image to unmix");
  command->get_option("--png")->description("Also write a colour composite of the first three fractions (PNG)");
  // Fractions are not a classifier's decisions: unmixing keeps no model.
  command->remove_option(command->get_option("--save-model"));
  command->callback([options] { RunUnmix(*options); });
}

}  // namespace ztcli
