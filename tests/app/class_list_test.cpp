// The class lists of "classes write --from", as files a user gives.
#include "class_list.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "cli_support.h"
#include "test_support.h"

using namespace ztcli;

namespace {

// The list written to a file and read back as the command reads it: the
// records, or the message of the refusal.
std::string Read(const std::string& name, const std::string& text, std::vector<CLASSATTINFO>* records = nullptr) {
  zttest::TempDir dir;
  const std::string path = dir.File(name);
  zttest::WriteText(path, text);
  std::ifstream in(path, std::ios::binary);
  try {
    std::vector<CLASSATTINFO> read =
        ReadClassList(in, path, name.size() > 5 && name.substr(name.size() - 5) == ".json");
    if (records) *records = read;
    return "";
  } catch (const CommandError& e) {
    return e.what();
  }
}

// A value nested 300,000 levels deep where the class number belongs: the
// message that quotes it would print it recursively, deeper than the stack.
TEST(ClassList, JsonNestedDeeperThanAListIsRefusedAsItIsRead) {
  const std::string deep = std::string(300000, '[') + std::string(300000, ']');
  for (const std::string& text : {R"([{"number": )" + deep + R"(, "name": "Water", "color": "#0000FF"}])",
                                  R"([{"number": 1, "name": "Water", "color": "#0000FF", "remark": )" + deep + "}]"}) {
    const std::string message = Read("deep.json", text);
    EXPECT_NE(message.find("deep.json: the JSON nests deeper than 16 levels"), std::string::npos) << message;
  }
  std::vector<CLASSATTINFO> records;
  ASSERT_EQ(Read("flat.json", R"([{"number": 2, "name": "Water", "color": "#0000FF", "remark": "lakes"}])", &records),
            "");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].classNo, 2);
  EXPECT_STREQ(records[0].remark, "lakes");
}

}  // namespace
