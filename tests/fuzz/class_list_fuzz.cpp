// The class lists of "classes write --from". The first byte chooses the
// reader: even, the JSON array; odd, the tab-separated text.
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "class_list.h"
#include "cli_support.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  std::vector<CLASSATTINFO> records;
  try {
    records = ztcli::ReadClassList(in, "list", data[0] % 2 == 0);
  } catch (const ztcli::CommandError& e) {
    if (std::string(e.what()).rfind("list", 0) != 0) ztfuzz::Broken("a refusal that does not name the list");
    return 0;
  }
  std::set<int> numbers;
  for (const CLASSATTINFO& record : records)
    if (!numbers.insert(record.classNo).second || record.name[sizeof record.name - 1] != '\0' ||
        record.remark[sizeof record.remark - 1] != '\0')
      ztfuzz::Broken("a class given twice, or a name or remark without its end");
  return 0;
}
