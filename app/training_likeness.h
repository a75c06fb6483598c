#pragma once
// The warnings of apply for an image unlike the one a model learnt from: a
// model applies to any image of its band count, but values of another type
// or range lie far from what it learnt, and its classes then mean little.
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace ztcli {

// Warns on standard error (unless quiet) when image (opened as source,
// classified in the listed bands) holds values of another data type or, in
// GDAL's sampled minimum and maximum, another range than the training image
// of the model described by description. A range is another when its
// spread is wider or narrower by more than a factor of 10 (the same scene as
// reflectance 0..1 and as 8-bit numbers, or stored x 100), or when most of it
// lies beyond the training range widened by its own spread on each side
// (values shifted by an offset); another season or scene of one sensor stays
// well within both.
void WarnOfOtherData(const nlohmann::json& description, void* source, const std::vector<long>& bands,
                     const std::string& image);

}  // namespace ztcli
