#pragma once
// Failures of the library and the host, as the Python face raises them.
#include <pybind11/pybind11.h>

#include <stdexcept>
#include <string>

namespace ztpy {

// A result code of the library or its services; raised in Python as
// ztclass.Error with the code, its name and its meaning.
struct LibraryError : std::runtime_error {
  // detail: the library's own message, when it gives one.
  LibraryError(long code, const std::string& what, const std::string& detail = "");
  long code;
};

// Throws LibraryError unless code is success; what says which step failed,
// detail is the library's own message. A failed read or write without one
// says where and why, as the raster service last described on this thread,
// as on the command line. A stop (RC_CANCELLED) is thrown too: the caller
// raises what stopped it.
void Check(long code, const std::string& what, const std::string& detail = "");

// Registers the translation of LibraryError and the host's errors (an
// existing result without overwrite=True becomes ztclass.ResultExistsError,
// another usage error ValueError, any other failure ztclass.Error).
void RegisterErrors(pybind11::module_& module);

}  // namespace ztpy
