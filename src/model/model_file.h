#pragma once
// The model file: the magic "ZTCMODEL", the format version (uint32), the
// library version that wrote it (uint32 length, then UTF-8), the JSON header
// (uint64 length, then UTF-8) that the describe call gives, the trained
// numbers of the header's "numbers" list in its order as little-endian IEEE
// doubles, and an FNV-1a 64 checksum of everything before it (uint64). All
// integers are little-endian.
#include <cstddef>
#include <string>

#include "model/model.h"

namespace zt {

constexpr unsigned kModelFormatVersion = 1;
// The bytes a model file begins with.
constexpr char kModelMagic[] = "ZTCMODEL";
constexpr size_t kModelMagicSize = sizeof kModelMagic - 1;

// The JSON header of a model.
nlohmann::json DescribeModel(const Model& model);

std::string SerializeModel(const Model& model);

// Reads and checks a model: every count, size and value before use.
// Throws ModelError (RC_BAD_MODEL_FILE) naming the fault.
Model DeserializeModel(const unsigned char* data, size_t size);

// Checks a model's fields and its method's numbers (the same checks as
// reading applies); throws ModelError (RC_BAD_MODEL_FILE).
void CheckModel(const Model& model);

// GDAL's name of a data type, and back (ZTRS_Unknown for a name it lacks).
std::string DataTypeName(long type);

}  // namespace zt
