#include "report_files.h"

#include <charconv>
#include <cmath>
#include <numeric>
#include <nlohmann/json.hpp>

#include "cli_support.h"

namespace ztcli {

namespace {

void WriteText(const std::string& path, const std::string& text) { WriteWholeFile(path, text, "'" + path + "'"); }

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// Class names come from class files of any age, perhaps not UTF-8: bytes
// that are not become U+FFFD rather than fail the report after its work.
std::string JsonText(const nlohmann::ordered_json& json) {
  return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace

AccuracyTable::AccuracyTable(std::vector<std::string> classNames)
    : names(std::move(classNames)),
      matrix((names.size() + 1) * names.size()),
      referenceCounts(names.size()),
      mapCounts(names.size() + 1),
      producer(names.size()),
      user(names.size()) {
  figures.matrix = matrix.data();
  figures.referenceCounts = referenceCounts.data();
  figures.mapCounts = mapCounts.data();
  figures.producerAccuracy = producer.data();
  figures.userAccuracy = user.data();
}

std::string TwoDecimals(double value) {
  char text[64];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
  return ec == std::errc() ? std::string(text, end) : "nan";
}

void RequireSamples(const ZTAccuracyFigures& figures, size_t classes, const std::string& image) {
  if (figures.sampleCount == 0)
    throw CommandError("the reference covers no pixel of '" + image + "': there is nothing to assess it by");
  if (std::accumulate(figures.referenceCounts, figures.referenceCounts + classes, 0L) == 0)
    throw CommandError("none of the " + std::to_string(figures.sampleCount) + " check points lies on '" + image +
                       "': there is nothing to assess it by (are they given in its coordinate system?)");
}

void WriteAccuracyJson(const std::string& path, const AccuracyTable& t) {
  const size_t n = t.names.size();
  nlohmann::ordered_json json;
  json["matrix"] = nlohmann::json::array();
  for (size_t i = 0; i <= n; ++i)
    json["matrix"].push_back(std::vector<long>(t.matrix.begin() + i * n, t.matrix.begin() + (i + 1) * n));
  json["classes"] = nlohmann::json::array();
  for (size_t k = 0; k < n; ++k)
    json["classes"].push_back(nlohmann::ordered_json{{"value", t.values[k]},
                                                     {"name", t.names[k]},
                                                     {"producer_accuracy", t.producer[k]},
                                                     {"user_accuracy", t.user[k]},
                                                     {"reference_count", t.referenceCounts[k]},
                                                     {"map_count", t.mapCounts[k + 1]}});
  json["unclassified_count"] = t.mapCounts[0];
  json["overall_accuracy"] = t.figures.overallAccuracy;
  json["kappa"] = t.figures.kappa;
  json["sample_count"] = t.figures.sampleCount;
  WriteText(path, JsonText(json));
}

// The error matrix with its labels (the map's classes down, unclassified
// first; the reference classes across), a blank line, then one row per
// class and the overall figures.
void WriteAccuracyCsv(const std::string& path, const AccuracyTable& t) {
  const size_t n = t.names.size();
  std::string csv = "map\\reference";
  for (const std::string& name : t.names) csv += "," + Field(name);
  csv += ",total\n";
  for (size_t i = 0; i <= n; ++i) {
    csv += i == 0 ? std::string("unclassified") : Field(t.names[i - 1]);
    for (size_t j = 0; j < n; ++j) csv += "," + std::to_string(t.matrix[i * n + j]);
    csv += "," + std::to_string(t.mapCounts[i]) + "\n";
  }
  csv += "total";
  for (long count : t.referenceCounts) csv += "," + std::to_string(count);
  csv += "," + std::to_string(t.figures.sampleCount) + "\n\n";
  csv += "value,name,producer_accuracy,user_accuracy,reference_count,map_count\n";
  for (size_t k = 0; k < n; ++k)
    csv += std::to_string(t.values[k]) + "," + Field(t.names[k]) + "," + FormatNumber(t.producer[k]) + "," +
           FormatNumber(t.user[k]) + "," + std::to_string(t.referenceCounts[k]) + "," +
           std::to_string(t.mapCounts[k + 1]) + "\n";
  // Kappa is undefined where chance agreement is 1: an empty field, as the
  // JSON's null.
  const std::string kappa = std::isnan(t.figures.kappa) ? "" : FormatNumber(t.figures.kappa);
  csv += "\noverall_accuracy," + FormatNumber(t.figures.overallAccuracy) + "\nkappa," + kappa + "\nsample_count," +
         std::to_string(t.figures.sampleCount) + "\n";
  WriteText(path, csv);
}

void WriteAreaJson(const std::string& path, const std::vector<ZTClassArea>& areas, const std::string& unit,
                   bool geodesic) {
  unsigned long long classified = 0;
  for (const ZTClassArea& a : areas) classified += a.count;
  nlohmann::ordered_json json;
  json["unit"] = unit;
  json["geodesic"] = geodesic;
  json["classes"] = nlohmann::json::array();
  for (const ZTClassArea& a : areas)
    json["classes"].push_back(nlohmann::ordered_json{
        {"value", a.value},
        {"name", a.name},
        {"count", a.count},
        {"area", a.area},
        {"share", classified ? static_cast<double>(a.count) / static_cast<double>(classified) : 0.0}});
  WriteText(path, JsonText(json));
}

}  // namespace ztcli
