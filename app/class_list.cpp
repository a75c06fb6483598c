#include "class_list.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_support.h"

namespace ztcli {

namespace {

struct ClassEntry {
  long number;
  std::string name, colour, remark;
};

// value (0 or more) in upper-case hexadecimal, at least digits long.
std::string Hex(long value, size_t digits) {
  std::string text;
  do {
    text.insert(text.begin(), "0123456789ABCDEF"[value % 16]);
    value /= 16;
  } while (value > 0);
  if (text.size() < digits) text.insert(0, digits - text.size(), '0');
  return text;
}

// Names and remarks end up in XML styles, JSON reports and databases, which
// take UTF-8 text without control characters.
void CheckText(const std::string& text, const std::string& what, const std::string& where) {
  for (size_t at = 0; at < text.size();) {
    const size_t start = at;
    const long c = NextCharacter(text, at);
    if (c < 0)
      throw CommandError(where + ": the " + what + " is not UTF-8 text (byte 0x" +
                         Hex(static_cast<unsigned char>(text[start]), 2) + " at byte " + std::to_string(start + 1) +
                         ")");
    if (IsControlCharacter(c))
      throw CommandError(where + ": the " + what + " holds the control character U+" + Hex(c, 4));
  }
}

CLASSATTINFO ToRecord(const ClassEntry& e, const std::string& where) {
  if (e.number < 0 || e.number > 255)
    throw CommandError(where + ": the class number " + std::to_string(e.number) + " is outside 0..255");
  CheckText(e.name, "name", where);
  CheckText(e.remark, "remark", where);
  CLASSATTINFO record{};
  record.classNo = static_cast<unsigned char>(e.number);
  unsigned char rgb[3];
  if (!ParseColour(e.colour, rgb))
    throw CommandError(where + ": the colour '" + Printable(e.colour) + "' is not of the form #RRGGBB");
  record.red = rgb[0];
  record.green = rgb[1];
  record.blue = rgb[2];
  if (e.name.size() >= sizeof record.name || e.remark.size() >= sizeof record.remark)
    throw CommandError(where + ": names and remarks hold at most 127 bytes");
  e.name.copy(record.name, e.name.size());
  e.remark.copy(record.remark, e.remark.size());
  return record;
}

// The records read so far, and where each was read.
struct ClassList {
  std::vector<CLASSATTINFO> records;
  std::vector<std::string> origins;

  void Add(const CLASSATTINFO& record, const std::string& where) {
    for (size_t i = 0; i < records.size(); ++i)
      if (records[i].classNo == record.classNo)
        throw CommandError(where + ": class number " + std::to_string(record.classNo) + " is given twice (also at " +
                           origins[i] + ")");
    records.push_back(record);
    origins.push_back(where);
  }
};

// A JSON class number: an integer, which the parser gives as signed or
// unsigned by its sign; a number with a fraction or exponent is none, even
// where it is whole, and one beyond 64 bits comes as a fraction.
long JsonClassNumber(const nlohmann::json& number, const std::string& where) {
  if (!number.is_number_integer())
    throw CommandError(where + ": the class number " + number.dump() + " is not an integer");
  if (number.is_number_unsigned() ? number.get<std::uint64_t>() > 255 : number.get<std::int64_t>() < 0)
    throw CommandError(where + ": the class number " + number.dump() + " is outside 0..255");
  return number.get<long>();
}

// [{"number": 1, "name": "Water", "color": "#0000FF", "remark": "..."}, ...]
// A list nests two levels; a value nested many thousands deep (a hostile
// file of brackets) would exhaust the stack as it is printed in a message,
// so a document deeper than a few levels is refused as it is parsed.
std::vector<CLASSATTINFO> ReadJson(std::istream& in, const std::string& path) {
  constexpr int kMaxDepth = 16;
  ClassList list;
  try {
    nlohmann::json doc = nlohmann::json::parse(in, [&](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
      if (depth > kMaxDepth)
        throw CommandError(path + ": the JSON nests deeper than " + std::to_string(kMaxDepth) + " levels");
      return true;
    });
    if (!doc.is_array()) throw CommandError(path + ": expected a JSON array of classes");
    for (size_t i = 0; i < doc.size(); ++i) {
      const auto& item = doc[i];
      const std::string where = path + " entry " + std::to_string(i + 1);
      ClassEntry e{JsonClassNumber(item.at("number"), where), item.at("name").get<std::string>(),
                   item.at("color").get<std::string>(), item.value("remark", std::string())};
      list.Add(ToRecord(e, where), where);
    }
  } catch (const nlohmann::json::exception& error) {
    throw CommandError(path + ": " + error.what());
  }
  return list.records;
}

// The next line of a class list, without its line end; a line above a few
// KiB, which no class record takes, is refused rather than held.
bool NextLine(std::istream& in, std::string& line, const std::string& where) {
  constexpr size_t kMaxLine = 4096;
  line.clear();
  std::istream::int_type c;
  while ((c = in.get()) != std::istream::traits_type::eof() && c != '\n') {
    if (line.size() == kMaxLine)
      throw CommandError(where + ": the line is longer than " + std::to_string(kMaxLine) + " bytes");
    line.push_back(static_cast<char>(c));
  }
  return c == '\n' || !line.empty();
}

// One class a line, tab-separated: number, name, #RRGGBB, optional remark.
// Empty lines and lines starting with # are skipped.
std::vector<CLASSATTINFO> ReadText(std::istream& in, const std::string& path) {
  ClassList list;
  std::string line;
  for (int lineNumber = 1; NextLine(in, line, path + ":" + std::to_string(lineNumber)); ++lineNumber) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // A byte order mark, which editors that save UTF-8 may put first.
    if (lineNumber == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    const std::string where = path + ":" + std::to_string(lineNumber);
    if (fields.size() < 3 || fields.size() > 4)
      throw CommandError(where + ": expected NUMBER<TAB>NAME<TAB>#RRGGBB[<TAB>REMARK]");
    long number = 0;
    try {
      size_t used = 0;
      number = std::stol(fields[0], &used);
      if (used != fields[0].size()) throw std::invalid_argument("trailing text");
    } catch (const std::exception&) {
      throw CommandError(where + ": '" + fields[0] + "' is not a class number");
    }
    list.Add(ToRecord({number, fields[1], fields[2], fields.size() == 4 ? fields[3] : ""}, where), where);
  }
  return list.records;
}

}  // namespace

std::vector<CLASSATTINFO> ReadClassList(std::istream& in, const std::string& path, bool json) {
  return json ? ReadJson(in, path) : ReadText(in, path);
}

}  // namespace ztcli
