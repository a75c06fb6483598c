#include "model/model.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zt {

namespace {

// Up to size - 1 bytes of text, zero-terminated: the record fields are
// fixed-size.
void CopyField(const std::string& text, char* field, size_t size) {
  const size_t length = std::min(text.size(), size - 1);
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

std::string FieldText(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

}  // namespace

std::vector<AOI> Model::Records() const {
  std::vector<AOI> records;
  if (!namedClasses) return records;
  records.resize(classes.size());
  for (size_t k = 0; k < classes.size(); ++k) {
    AOI& record = records[k];
    std::memset(&record, 0, sizeof record);
    CopyField(classes[k].name, record.name, sizeof record.name);
    CopyField(classes[k].remark, record.remark, sizeof record.remark);
    record.red = classes[k].red;
    record.green = classes[k].green;
    record.blue = classes[k].blue;
    record.aoiType = static_cast<int32_t>(ZT_CLASS_AOI_TYPE);
  }
  return records;
}

const std::string* Model::NonFiniteNumbers() const {
  for (const auto& [name, array] : numbers)
    for (double v : array.values)
      if (!std::isfinite(v)) return &name;
  return nullptr;
}

void SetClassRecords(Model& model, const AOI* aois, long highest) {
  model.highestClass = highest;
  model.namedClasses = aois != nullptr;
  model.classes.clear();
  for (long k = 1; k <= highest; ++k) {
    ModelClass c;
    c.value = k;
    if (aois) {
      const AOI& a = aois[k - 1];
      c.name = FieldText(a.name, sizeof a.name);
      c.remark = FieldText(a.remark, sizeof a.remark);
      c.red = a.red;
      c.green = a.green;
      c.blue = a.blue;
    }
    model.classes.push_back(std::move(c));
  }
}

}  // namespace zt
