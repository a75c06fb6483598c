// ztclass recode SOURCE RESULT --map old=new,...
#include <iostream>
#include <memory>

#include "cli_support.h"
#include "commands/commands.h"
#include "ztclass/classinfo.h"

namespace ztcli {

namespace {

struct RecodeOptions {
  std::string source, result, map;
};

void RunRecode(const RecodeOptions& o) {
  std::vector<unsigned char> from, to;
  ParseValueMap(o.map, from, to);
  Dataset source = Dataset::Open(o.source, false);
  Dataset result = Dataset::Open(o.result, true);
  Check(ztSaveEditedCls2Zti(source.get(), from.data(), result.get(), to.data(),
                            static_cast<long>(from.size())),
        "recoding");
  result.Close();
  std::cout << "Recoded " << from.size() << " value(s) of " << o.source << " into " << o.result << "\n";
}

}  // namespace

void AddRecodeCommand(CLI::App& app) {
  auto* command = app.add_subcommand(
      "recode", "Write new class values into RESULT where SOURCE has the listed old values");
  auto o = std::make_shared<RecodeOptions>();
  command->add_option("SOURCE", o->source, "Edited class image")->required();
  command->add_option("RESULT", o->result, "Class image to update (same size)")->required();
  command->add_option("--map", o->map, "Value changes old=new,old=new,... (values 0..255)")->required();
  command->callback([o] { RunRecode(*o); });
}

}  // namespace ztcli
