#include "errors.h"

#include "cli_support.h"
#include "ztclass/result_codes.h"

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

}  // namespace

namespace {

// The library's message after the code's description. Model messages begin
// with the code's name and meaning, which the description already gives:
// only what follows them is added.
std::string AfterDescription(long code, const std::string& detail) {
  const ZTResultCodeInfo* info = ztFindResultCode(code);
  const std::string repeated = info ? std::string(info->name) + ": " + info->meaning : "";
  if (!repeated.empty() && detail.rfind(repeated, 0) == 0) return detail.substr(repeated.size());
  return detail.empty() ? "" : "; " + detail;
}

}  // namespace

LibraryError::LibraryError(long code, const std::string& what, const std::string& detail)
    : std::runtime_error(what + " failed: " + ztcli::DescribeResultCode(code) + AfterDescription(code, detail)),
      code(code) {}

void Check(long code, const std::string& what) {
  if (code != RC_OK) throw LibraryError(code, what);
}

void RegisterErrors(py::module_& module) {
  py::register_exception_translator([](std::exception_ptr pending) {
    try {
      if (pending) std::rethrow_exception(pending);
    } catch (const LibraryError& e) {
      // The host's description names service codes too: "NAME (value): meaning".
      const std::string described = ztcli::DescribeResultCode(e.code);
      const bool named = described.rfind("result code ", 0) != 0;
      RaiseError(e.what(), py::int_(e.code),
                 named ? py::object(py::str(described.substr(0, described.find(" (")))) : py::object(py::none()));
    } catch (const ztcli::UsageError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const ztcli::CommandError& e) {
      RaiseError(e.what(), py::none(), py::none());
    }
  });
}

}  // namespace ztpy
