#include "model/model_file.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "model/methods.h"
#include "model/model_error.h"
#include "model/shallow_json.h"
#include "ztclass/datatype.h"
#include "ztclass/result_codes.h"

#ifndef ZTCLASS_VERSION
#define ZTCLASS_VERSION "unknown"
#endif

namespace zt {

namespace {

constexpr long kMaxModelClasses = 254;
constexpr long kMaxModelBands = 1024;
// No array of a model comes near this; a header claiming more is corrupt.
constexpr uint64_t kMaxValues = uint64_t(1) << 28;

[[noreturn]] void Bad(const std::string& reason) { throw ModelError(RC_BAD_MODEL_FILE, reason); }

uint64_t Fnv1a(const unsigned char* data, size_t size) {
  uint64_t hash = 14695981039346656037ull;
  for (size_t i = 0; i < size; ++i) {
    hash ^= data[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

void PutInteger(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

void PutDouble(std::string& out, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  PutInteger(out, bits, 8);
}

// Reads the bytes of a model front to back; running out is a truncated file.
class Reader {
 public:
  Reader(const unsigned char* data, size_t size) : data_(data), size_(size) {}
  const unsigned char* Take(size_t count, const char* what) {
    if (count > size_ - position_) Bad(std::string("the file ends inside ") + what + " (truncated)");
    const unsigned char* p = data_ + position_;
    position_ += count;
    return p;
  }
  uint64_t Integer(int bytes, const char* what) {
    const unsigned char* p = Take(bytes, what);
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= uint64_t(p[i]) << (8 * i);
    return value;
  }
  double Double(const char* what) {
    const uint64_t bits = Integer(8, what);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  size_t Position() const { return position_; }
  size_t Left() const { return size_ - position_; }

 private:
  const unsigned char* data_;
  size_t size_;
  size_t position_ = 0;
};

std::string ColourText(const ModelClass& c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", c.red, c.green, c.blue);
  return text;
}

bool ParseColour(const std::string& text, ModelClass& c) {
  if (text.size() != 7 || text[0] != '#') return false;
  unsigned value = 0;
  for (size_t i = 1; i < 7; ++i) {
    const char ch = text[i];
    unsigned digit;
    if (ch >= '0' && ch <= '9') digit = ch - '0';
    else if (ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
    else if (ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
    else return false;
    value = value * 16 + digit;
  }
  c.red = (value >> 16) & 0xff;
  c.green = (value >> 8) & 0xff;
  c.blue = value & 0xff;
  return true;
}

// The header's field of the given type, or a reason naming it.
const nlohmann::json& Field(const nlohmann::json& header, const char* name, nlohmann::json::value_t type) {
  const auto it = header.find(name);
  if (it == header.end()) Bad(std::string("the header lacks \"") + name + "\"");
  const bool fits = type == nlohmann::json::value_t::number_integer ? it->is_number_integer() : it->type() == type;
  if (!fits) Bad(std::string("the header's \"") + name + "\" is of the wrong type");
  return *it;
}

long IntegerIn(const nlohmann::json& value, const char* what, long low, long high) {
  if (!value.is_number_integer()) Bad(std::string(what) + " must be an integer");
  const long long v = value.get<long long>();
  if (v < low || v > high)
    Bad(std::string(what) + " is " + std::to_string(v) + ", outside " + std::to_string(low) + ".." +
        std::to_string(high));
  return static_cast<long>(v);
}

}  // namespace

std::string DataTypeName(long type) {
  switch (type) {
    case ZTRS_Byte: return "Byte";
    case ZTRS_UInt16: return "UInt16";
    case ZTRS_Int16: return "Int16";
    case ZTRS_UInt32: return "UInt32";
    case ZTRS_Int32: return "Int32";
    case ZTRS_Float32: return "Float32";
    case ZTRS_Float64: return "Float64";
    case ZTRS_Int8: return "Int8";
    default: return "Unknown";
  }
}

nlohmann::json DescribeModel(const Model& m) {
  nlohmann::json header;
  header["method"] = m.method;
  header["library-version"] = ZTCLASS_VERSION;
  header["parameters"] = m.parameters;
  header["band-count"] = m.BandCount();
  header["bands"] = m.bands;
  header["data-type"] = m.dataType;
  if (!m.valueRanges.empty()) {
    nlohmann::json ranges = nlohmann::json::array();
    for (const ValueRange& r : m.valueRanges) ranges.push_back({r.low, r.high});
    header["value-ranges"] = ranges;
  }
  header["scaling"] = m.scaling;
  header["highest-class"] = m.highestClass;
  header["named-classes"] = m.namedClasses;
  nlohmann::json classes = nlohmann::json::array();
  for (const ModelClass& c : m.classes) {
    nlohmann::json entry{{"value", c.value}, {"name", c.name}, {"color", ColourText(c)}};
    if (!c.remark.empty()) entry["remark"] = c.remark;
    classes.push_back(entry);
  }
  header["classes"] = classes;
  header["display-bands"] = m.displayBands;
  nlohmann::json numbers = nlohmann::json::array();
  for (const auto& [name, array] : m.numbers) numbers.push_back({{"name", name}, {"shape", array.shape}});
  header["numbers"] = numbers;
  return header;
}

std::string SerializeModel(const Model& m) {
  std::string out(kModelMagic, kModelMagicSize);
  PutInteger(out, kModelFormatVersion, 4);
  const std::string version = ZTCLASS_VERSION;
  PutInteger(out, version.size(), 4);
  out += version;
  // Names and remarks come from files of any encoding: invalid UTF-8 is
  // replaced rather than refused, so that every model can be saved.
  const std::string header = DescribeModel(m).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  PutInteger(out, header.size(), 8);
  out += header;
  for (const auto& [name, array] : m.numbers)
    for (double v : array.values) PutDouble(out, v);
  PutInteger(out, Fnv1a(reinterpret_cast<const unsigned char*>(out.data()), out.size()), 8);
  return out;
}

void CheckModel(const Model& m) {
  const MethodEntry* method = FindMethod(m.method);
  if (!method) Bad("unknown method \"" + m.method + "\"");
  if (m.bands.empty() || m.BandCount() > kMaxModelBands) Bad("the band count is outside 1..1024");
  for (long b : m.bands)
    if (b < 1) Bad("a band number is below 1");
  if (!m.valueRanges.empty() && m.valueRanges.size() != m.bands.size())
    Bad("the value ranges do not list one range per band");
  for (const ValueRange& r : m.valueRanges)
    if (!std::isfinite(r.low) || !std::isfinite(r.high) || r.low > r.high)
      Bad("a value range is not finite or runs from high to low");
  if (m.highestClass < 1 || m.highestClass > kMaxModelClasses)
    Bad("the highest class " + std::to_string(m.highestClass) + " is outside 1..254");
  if (static_cast<long>(m.classes.size()) != m.highestClass) Bad("the class records do not match the highest class");
  for (size_t k = 0; k < m.classes.size(); ++k)
    if (m.classes[k].value != static_cast<long>(k + 1)) Bad("the class records are not numbered 1, 2, ...");
  if (!m.displayBands.empty()) {
    if (m.displayBands.size() != 3) Bad("\"display-bands\" must list three bands");
    for (long b : m.displayBands)
      if (b < 1 || b > m.BandCount()) Bad("a display band lies outside the band list");
  }
  for (const auto& [name, array] : m.numbers) {
    uint64_t count = 1;
    for (long d : array.shape) {
      if (d < 0 || uint64_t(d) > kMaxValues) Bad("the numbers \"" + name + "\" have an impossible shape");
      count *= uint64_t(d);
      if (count > kMaxValues) Bad("the numbers \"" + name + "\" are too many");
    }
    if (array.shape.empty() || count != array.values.size())
      Bad("the numbers \"" + name + "\" do not match their shape");
  }
  if (const std::string* name = m.NonFiniteNumbers())
    Bad("the numbers \"" + *name + "\" hold a value that is not finite");
  if (std::string reason = method->check(m); !reason.empty()) Bad(reason);
}

Model DeserializeModel(const unsigned char* data, size_t size) {
  Reader in(data, size);
  if (size < kModelMagicSize || std::memcmp(in.Take(kModelMagicSize, "the magic"), kModelMagic, kModelMagicSize) != 0)
    Bad("not a ztclass model (no \"ZTCMODEL\" magic)");
  const uint64_t format = in.Integer(4, "the format version");
  if (format != kModelFormatVersion)
    Bad("model format version " + std::to_string(format) + "; this library reads version " +
        std::to_string(kModelFormatVersion));
  const uint64_t versionLength = in.Integer(4, "the library version");
  if (versionLength > 256) Bad("the library version is too long");
  in.Take(versionLength, "the library version");
  const uint64_t headerLength = in.Integer(8, "the header length");
  if (headerLength > in.Left()) Bad("the file ends inside the header (truncated)");
  const unsigned char* headerBytes = in.Take(headerLength, "the header");
  // The checksum comes last; the numbers lie between.
  if (in.Left() < 8) Bad("the file ends before its checksum (truncated)");
  const size_t checked = size - 8;
  Reader tail(data + checked, 8);
  if (tail.Integer(8, "the checksum") != Fnv1a(data, checked)) Bad("the checksum does not match (corrupted or truncated)");

  const nlohmann::json header =
      ParseShallowJson(headerBytes, headerBytes + headerLength, RC_BAD_MODEL_FILE, "the header is");
  if (!header.is_object()) Bad("the header is not a JSON object");
  using T = nlohmann::json::value_t;
  Model m;
  m.method = Field(header, "method", T::string).get<std::string>();
  m.parameters = Field(header, "parameters", T::object);
  const long bandCount = IntegerIn(Field(header, "band-count", T::number_integer), "the band count", 1, kMaxModelBands);
  const nlohmann::json& bands = Field(header, "bands", T::array);
  if (static_cast<long>(bands.size()) != bandCount) Bad("the band list does not hold band-count bands");
  for (const auto& b : bands) m.bands.push_back(IntegerIn(b, "a band number", 1, 1L << 30));
  m.dataType = Field(header, "data-type", T::string).get<std::string>();
  if (header.contains("value-ranges")) {
    for (const auto& r : Field(header, "value-ranges", T::array)) {
      if (!r.is_array() || r.size() != 2 || !r[0].is_number() || !r[1].is_number())
        Bad("a value range is not a pair of numbers");
      m.valueRanges.push_back({r[0].get<double>(), r[1].get<double>()});
    }
  }
  if (header.contains("scaling")) m.scaling = header["scaling"];
  m.highestClass = IntegerIn(Field(header, "highest-class", T::number_integer), "the highest class", 1, kMaxModelClasses);
  m.namedClasses = Field(header, "named-classes", T::boolean).get<bool>();
  for (const auto& c : Field(header, "classes", T::array)) {
    if (!c.is_object()) Bad("a class record is not an object");
    ModelClass mc;
    mc.value = IntegerIn(Field(c, "value", T::number_integer), "a class value", 1, kMaxModelClasses);
    mc.name = Field(c, "name", T::string).get<std::string>();
    if (!ParseColour(Field(c, "color", T::string).get<std::string>(), mc)) Bad("a class colour is not #RRGGBB");
    if (c.contains("remark")) mc.remark = Field(c, "remark", T::string).get<std::string>();
    m.classes.push_back(std::move(mc));
  }
  for (const auto& b : Field(header, "display-bands", T::array))
    m.displayBands.push_back(IntegerIn(b, "a display band", 1, bandCount));
  for (const auto& entry : Field(header, "numbers", T::array)) {
    if (!entry.is_object()) Bad("an entry of \"numbers\" is not an object");
    const std::string name = Field(entry, "name", T::string).get<std::string>();
    if (m.numbers.count(name)) Bad("the numbers \"" + name + "\" are listed twice");
    Numbers array;
    uint64_t count = 1;
    for (const auto& d : Field(entry, "shape", T::array)) {
      array.shape.push_back(IntegerIn(d, "a dimension", 0, static_cast<long>(kMaxValues)));
      count *= uint64_t(array.shape.back());
      if (count > kMaxValues) Bad("the numbers \"" + name + "\" are too many");
    }
    if (array.shape.empty() || array.shape.size() > 3) Bad("the numbers \"" + name + "\" have no usable shape");
    if (count * 8 > in.Left() - 8) Bad("the file ends inside the numbers \"" + name + "\" (truncated)");
    array.values.reserve(count);
    for (uint64_t i = 0; i < count; ++i) array.values.push_back(in.Double("the numbers"));
    m.numbers[name] = std::move(array);
  }
  if (in.Left() != 8) Bad("bytes follow the numbers that the header does not list");
  CheckModel(m);
  return m;
}

}  // namespace zt
