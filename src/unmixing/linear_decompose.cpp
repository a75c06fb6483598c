// Linear spectral decomposition: endmembers from the purified training cells
// of the class AOIs, then one fraction per class for every pixel.
#include "frame/arguments.h"
#include "frame/entry.h"
#include "frame/progress_session.h"
#include "samples/owned_cells.h"
#include "unmixing/fraction_pass.h"
#include "unmixing/unmixing_model.h"
#include "ztclass/result_codes.h"
#include "ztclass/unmixing.h"

namespace zt {

namespace {

constexpr int kMainCaption = 21;
constexpr int kPassCaption = 20;
constexpr double kPurifyDeviations = 1.0;

long CheckArguments(void* source, long* bands, long bandCount, const AOI* aois, long classCount, void* result,
                    const Window& w) {
  if (!source || !result) return RC_NULL_ARGUMENT;
  if (bandCount > kMaxBands) return RC_TOO_MANY_BANDS;
  if (bandCount < 1 || classCount < 1) return RC_BAD_WINDOW;
  if (!bands || !aois) return RC_NULL_ARGUMENT;
  if (long rc = CheckCommonArguments(source, result, bandCount, w)) return rc;
  return ztRSGetRasterCount(result) == classCount ? RC_OK : RC_ENDMEMBER_BAND_MISMATCH;
}

long Decompose(void* source, long* bands, long bandCount, AOI* aois, long classCount, void* result,
               const Window& w) {
  ProgressSession progress;
  if (long rc = CheckArguments(source, bands, bandCount, aois, classCount, result, w)) return rc;
  FractionPass pass(source, bands, bandCount, result, classCount, w);
  if (long rc = pass.LookUpBands()) return rc;
  progress.Start(kMainCaption);
  if (long rc = pass.Open()) return rc;

  OwnedCells gathered, purified;
  if (long rc = GatherTrainingSamples(source, pass.Bands(), aois, classCount, pass.NoData(), &gathered.cells,
                                      gathered.count))
    return rc;
  // The fractions of a linear mixture do not change when every band is
  // multiplied by one factor, but a per-band offset or span would change the
  // mixture itself: the values keep their own scale on every image type
  // (over 255, as they always were), and the singularity tests judge the
  // matrices by scale.
  const BandScaling scaling = DivideBy255Scaling(bandCount);
  for (long i = 0; i < gathered.count; ++i) scaling.ApplyInPlace(gathered.cells[i].values);
  if (long rc = PurifyCells(gathered.cells, gathered.count, bandCount, classCount, kPurifyDeviations,
                            &purified.cells, purified.count))
    return rc;
  Matrix endmembers, unmixing;
  if (long rc = EndmemberMatrix(purified.cells, purified.count, bandCount, classCount, endmembers)) return rc;
  if (long rc = UnmixingMatrix(endmembers, unmixing)) return rc;
  return pass.Run(kPassCaption, unmixing, scaling);
}

}  // namespace

}  // namespace zt

using namespace zt;

long ztLinearDecompose(void* source, long* bands, long bandCount, AOI* classAois, long classCount, void* result,
                       long rows, long columns, long firstRow, long firstColumn) {
  return Framed([&] {
    return Decompose(source, bands, bandCount, classAois, classCount, result,
                     Window{rows, columns, firstRow, firstColumn});
  });
}
