#pragma once
// The class lists that "classes write --from" reads: a text file of one
// class a line (NUMBER<TAB>NAME<TAB>#RRGGBB[<TAB>REMARK]; empty lines and
// lines starting with # skipped) or a JSON array of {number, name, color,
// remark}.
#include <istream>
#include <string>
#include <vector>

#include "ztclass/records.h"

namespace ztcli {

// The records of the list in, read as JSON or as text; a CommandError
// naming path, and the line or entry, for a list that is not one.
std::vector<CLASSATTINFO> ReadClassList(std::istream& in, const std::string& path, bool json);

}  // namespace ztcli
