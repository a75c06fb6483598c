#include "number_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace ztcli {

namespace {

bool StartsWith(const std::string& text, const char* start) { return text.rfind(start, 0) == 0; }

// The option parser reads integers in C's way (a leading 0 makes octal,
// overflow gives the largest value): a whole number is read here, in
// decimal, and handed on in plain digits.
std::string WholeNumber(std::string& text) {
  if (text.empty()) return "must be a whole number, not an empty string";
  const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
  const char* end = text.data() + text.size();
  long long value = 0;
  auto [stop, error] = std::from_chars(begin, end, value);
  if (error == std::errc::result_out_of_range) return "'" + text + "' is out of range";
  if (error != std::errc() || stop != end) return "must be a whole number, got '" + text + "'";
  text = std::to_string(value);
  return "";
}

std::string FiniteNumber(std::string& text) {
  if (text.empty()) return "must be a number, not an empty string";
  const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
  const char* end = text.data() + text.size();
  double value = 0;
  auto [stop, error] = std::from_chars(begin, end, value);
  if (error == std::errc::result_out_of_range) return "'" + text + "' is out of range";
  if (error != std::errc() || stop != end) return "must be a number, got '" + text + "'";
  if (!std::isfinite(value)) return "must be a finite number, got '" + text + "'";
  return "";
}

double Number(const std::string& text) {
  double value = 0;
  const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
  std::from_chars(begin, text.data() + text.size(), value);
  return value;
}

constexpr const char* kEmptyAllowed = "empty allowed";

bool AllowsEmpty(CLI::Option& option) {
  try {
    option.get_validator(kEmptyAllowed);
    return true;
  } catch (const CLI::OptionNotFound&) {
    return false;
  }
}

// An option's empty text would otherwise be taken as the option not given,
// its default, when the user meant something else.
std::string NotEmpty(std::string& text) { return text.empty() ? "must not be empty" : ""; }

void Guard(CLI::App& app) {
  for (CLI::Option* option : app.get_options()) {
    const std::string type = option->get_type_name();
    if (StartsWith(type, "INT") || StartsWith(type, "UINT"))
      option->check(CLI::Validator(WholeNumber, ""));
    else if (StartsWith(type, "FLOAT"))
      option->check(CLI::Validator(FiniteNumber, ""));
    else if (StartsWith(type, "TEXT") && option->nonpositional() && !AllowsEmpty(*option))
      option->check(CLI::Validator(NotEmpty, ""));
  }
  for (CLI::App* command : app.get_subcommands({})) Guard(*command);
}

}  // namespace

void GuardNumberOptions(CLI::App& app) { Guard(app); }

CLI::Validator EmptyAllowed() {
  return CLI::Validator([](std::string&) { return std::string(); }, "").name(kEmptyAllowed);
}

CLI::Validator NotNegative() {
  return CLI::Validator(
      [](std::string& text) { return Number(text) < 0 ? "must be 0 or more, got '" + text + "'" : std::string(); },
      "");
}

std::string Choices(const std::vector<std::string>& names) {
  std::string list;
  for (size_t i = 0; i < names.size(); ++i) list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
  return list;
}

CLI::Validator OneOf(const std::vector<std::string>& names) {
  return CLI::Validator(
      [names](std::string& text) {
        if (std::find(names.begin(), names.end(), text) != names.end()) return std::string();
        return "must be " + Choices(names) + ", got '" + text + "'";
      },
      "");
}

}  // namespace ztcli
