#pragma once
// The confidence band of an apply: each pixel's score of the decision the
// model makes, in a pass of its own over the same window, Float32, NaN for
// no-data pixels and for pixels the decision has no score for.
#include "frame/classification_pass.h"
#include "model/model.h"

namespace zt {

// Whether the model's method has a confidence.
bool HasConfidence(const Model& model);

// pass: over the source window, opened without a result; band: band 1 of
// the confidence dataset, of the window's size.
long WriteConfidence(const Model& model, ClassificationPass& pass, void* band);

}  // namespace zt
