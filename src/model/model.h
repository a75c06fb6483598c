#pragma once
// What a trained classifier keeps: the method and its parameters, the band
// list, data type and value ranges of the image it learnt from, the band
// scaling, the classes it decides with their records, and its trained
// numbers as named arrays. Training fills it, the model file stores it, and
// applying it reads it only, so one model serves several threads at once.
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ztclass/records.h"

namespace zt {

// A named array of trained numbers: its shape (rows, then columns; one
// entry for a vector) and values, row by row.
struct Numbers {
  std::vector<long> shape;
  std::vector<double> values;
};

struct ModelClass {
  long value = 0;
  std::string name, remark;
  unsigned char red = 0, green = 0, blue = 0;
};

// The lowest and highest value of a band, as GDAL's sampled minimum and
// maximum give them.
struct ValueRange {
  double low = 0.0, high = 0.0;
};

struct Model {
  std::string method;
  nlohmann::json parameters = nlohmann::json::object();
  std::vector<long> bands;    // band numbers of the training image
  std::string dataType;       // its data type, by GDAL's name
  // Per band, the training image's sampled value range; empty where unknown
  // (models written before it was kept, bands GDAL found no value in).
  std::vector<ValueRange> valueRanges;
  nlohmann::json scaling;     // how band values were scaled before learning; null for none
  // The class records the result gets: values 1..highestClass; without
  // records (unnamed) the result gets the default names and colours.
  long highestClass = 0;
  bool namedClasses = false;
  std::vector<ModelClass> classes;
  std::vector<long> displayBands;  // unsupervised: colour the classes by their means in these (1-based positions)
  std::map<std::string, Numbers> numbers;

  long BandCount() const { return static_cast<long>(bands.size()); }
  const Numbers& At(const std::string& name) const { return numbers.at(name); }
  void Put(const std::string& name, std::vector<long> shape, std::vector<double> values) {
    numbers[name] = Numbers{std::move(shape), std::move(values)};
  }
  // Records of the classes for ztRSWriteClassAtt, or empty without names.
  std::vector<AOI> Records() const;
  // The name of the first numbers, in name order, holding a value that is
  // not finite (a training that diverged, a damaged file); null when every
  // value is finite.
  const std::string* NonFiniteNumbers() const;
};

// Records from class AOIs (names, colours, remarks) for classes 1..highest.
void SetClassRecords(Model& model, const AOI* aois, long highest);

}  // namespace zt
