#include "errors.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <regex>

#include "cli_support.h"
#include "output_files.h"
#include "ztclass/result_codes.h"
#include "ztservices/raster.h"

namespace py = pybind11;

namespace ztpy {

namespace {

// ztclass.Error(message, code, name): the class lives in the pure-Python
// part of the package, so that users can catch it without the native module.
void RaiseError(const std::string& message, py::object code, py::object name) {
  py::object type = py::module_::import("ztclass.errors").attr("Error");
  py::object error = type(message, code, name);
  PyErr_SetObject(type.ptr(), error.ptr());
}

// The library's message after the code's description. Model messages begin
// with the code's description ("NAME (value): meaning"), which is already
// given: only what follows it is added.
std::string AfterDescription(long code, const std::string& detail) {
  const std::string repeated = ztcli::DescribeResultCode(code);
  if (detail.rfind(repeated, 0) == 0) return detail.substr(repeated.size());
  return detail.empty() ? "" : "; " + detail;
}

// Set by the package's own program, the command line's --dask: its user
// gave options, not keywords.
std::atomic<bool> g_commandLineNames{false};

// The host's checks are shared with the command line and name its options;
// a Python caller reads the keywords it gave. Quoted text (a path, a value)
// is left as it is.
std::string PythonNames(const std::string& message) {
  if (g_commandLineNames) return message;
  static const std::map<std::string, std::string> kKeywords = {
      {"-o", "output"},           {"--srcwin", "window"},        {"--window", "window"},
      {"--of", "format"},         {"--ot", "type"},              {"--co", "creation_options"},
      {"--stats", "stats"},       {"--stats-in", "stats_in"},    {"--confidence", "confidence"},
      {"--class-field", "class_field"}, {"--aoi", "aoi"}, {"--overwrite", "overwrite=True"}, {"--band", "band"},
      {"--threshold", "threshold"}, {"--classes", "classes"}, {"--tile", "tile"}};
  static const std::regex kOption(R"((^|[\s(])(--?[a-z-]+)(?=$|[\s:,)]))");
  std::string named;
  bool quoted = false;
  size_t start = 0;
  while (start <= message.size()) {
    const size_t quote = std::min(message.find('\'', start), message.size());
    const std::string part = message.substr(start, quote - start);
    if (quoted) {
      named += part;
    } else {
      size_t last = 0;
      for (auto m = std::sregex_iterator(part.begin(), part.end(), kOption); m != std::sregex_iterator(); ++m) {
        const auto keyword = kKeywords.find((*m)[2]);
        named += part.substr(last, (*m).position(2) - last);
        named += keyword == kKeywords.end() ? (*m)[2].str() : keyword->second;
        last = (*m).position(2) + (*m)[2].length();
      }
      named += part.substr(last);
    }
    if (quote < message.size()) named += '\'';
    quoted = !quoted;
    start = quote + 1;
  }
  return named;
}

}  // namespace

LibraryError::LibraryError(long code, const std::string& what, const std::string& detail)
    : std::runtime_error(what + " failed: " + ztcli::DescribeResultCode(code) + AfterDescription(code, detail)),
      code(code) {}

void Check(long code, const std::string& what, const std::string& detail) {
  if (code == RC_OK) return;
  throw LibraryError(code, what, detail.empty() && code == RC_RASTER_IO_FAILED ? ztRSLastIOError() : detail);
}

void RegisterErrors(py::module_& module) {
  module.def("use_command_line_names", [] { g_commandLineNames = true; });
  module.def("caller_names", &PythonNames, "A message naming the command line's options, in the caller's names.");
  py::register_exception_translator([](std::exception_ptr pending) {
    try {
      if (pending) std::rethrow_exception(pending);
    } catch (const LibraryError& e) {
      // The host's description names service codes too: "NAME (value): meaning".
      const std::string described = ztcli::DescribeResultCode(e.code);
      const bool named = described.rfind("result code ", 0) != 0;
      RaiseError(e.what(), py::int_(e.code),
                 named ? py::object(py::str(described.substr(0, described.find(" (")))) : py::object(py::none()));
    } catch (const ztcli::ExistingFile& e) {
      py::object type = py::module_::import("ztclass.errors").attr("ResultExistsError");
      PyErr_SetObject(type.ptr(), type(PythonNames(e.what())).ptr());
    } catch (const ztcli::UsageError& e) {
      PyErr_SetString(PyExc_ValueError, PythonNames(e.what()).c_str());
    } catch (const ztcli::CommandError& e) {
      RaiseError(PythonNames(e.what()), py::none(), py::none());
    }
  });
}

}  // namespace ztpy
